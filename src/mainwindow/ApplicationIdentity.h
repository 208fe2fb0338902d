#pragma once

// The program's name and icon as the desktop shows them. No display name is
// set: Qt would append it to every window caption, and the caption must be
// exactly the text the title format gives.
void applyApplicationIdentity();
