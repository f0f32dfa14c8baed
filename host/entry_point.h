#pragma once

#include <windows.h>

// GetProcAddress's generic pointer, cast to the entry point's real type; null
// where the library lacks it. The detour through a plain function pointer
// keeps GCC's function-cast check quiet.
template <typename Proc>
Proc findEntryPoint(HMODULE library, const char* name)
{
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}
