#pragma once

#include <QString>

// "Quorvelin 1.66 (release 166, revision 88cdf8d3a1b2)": the version, the
// release number the version check compares, and the source revision when
// the program was built from a git checkout.
QString versionText();
