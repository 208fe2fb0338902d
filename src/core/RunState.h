#pragma once

// Program-wide flags. DebugMode is fixed at start; ShuttingDown is raised
// once, first thing when the program closes, and every handler that polls,
// decodes or refreshes returns at once from then on.
struct RunState
{
    bool DebugMode = false;
    bool ShuttingDown = false;
};
