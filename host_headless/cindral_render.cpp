// cindral-render: the flame scene off-screen, written as PNG pictures and its
// state as JSON. See kRenderUsage for the options.
#include "program_shell.h"
#include "render_options.h"
#include "render_run.h"

int main(int argc, char** argv)
{
    const Program<RenderOptions> renderer{"cindral-render", kRenderUsage, readRenderOptions, runRender};
    return runProgram(renderer, argc, argv);
}
