#pragma once

// How bars and boxes are framed, and the narrowest bar.
struct PaintOptions
{
    bool frame = false;
    bool raised = false;
    bool thick = false;
};
