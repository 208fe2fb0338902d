#pragma once

// What the query engine asks of the window that shows its results. The
// window-less modes run the engine without one.
class EngineHost
{
public:
    virtual ~EngineHost() = default;

    // Slot of the server selected in the list, -1 without a selection.
    virtual int selectedSlot() const = 0;
    virtual void FillServerInfoView(int slot) = 0;
    virtual void FillPlayersView(int slot) = 0;
    virtual void ShowTeamStrips(int slot) = 0;
    // Repaints the score graph and the team strips of whichever page shows them.
    virtual void RepaintScoreViews() = 0;
    virtual void UpdateTitleBar() = 0;
    virtual void StartBlink(int mode) = 0;
    virtual void CheckBuddies() = 0;
    // Refills every view of the selected server.
    virtual void SelectionRefresh() = 0;
};
