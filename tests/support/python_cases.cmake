# The one registration of a Python driver's cases with CTest, for every build;
# tests/CMakeLists.txt finds Python first.

# cindral_add_python_cases(PREFIX DRIVER [ARGS arg...] [PROPERTIES name value...])
# registers each case that `DRIVER --list` names, at configure time, as the
# test PREFIX.CASE, run as `DRIVER ARGS... --case CASE` (case_runner.py).
function(cindral_add_python_cases prefix driver)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "ARGS;PROPERTIES")
    execute_process(COMMAND ${Python3_EXECUTABLE} ${driver} --list
                    OUTPUT_VARIABLE cases ERROR_VARIABLE error RESULT_VARIABLE failed
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(failed OR cases STREQUAL "")
        message(FATAL_ERROR "${driver} --list named no cases: ${error}")
    endif()
    string(REPLACE "\n" ";" cases "${cases}")
    foreach(case IN LISTS cases)
        add_test(NAME ${prefix}.${case} COMMAND ${Python3_EXECUTABLE} ${driver} ${arg_ARGS} --case ${case})
        if(arg_PROPERTIES)
            set_tests_properties(${prefix}.${case} PROPERTIES ${arg_PROPERTIES})
        endif()
    endforeach()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 ${driver} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/case_runner.py)
endfunction()
