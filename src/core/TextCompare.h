#pragma once

#include <QString>

// Compares character by character with only the ASCII letters folded to
// upper case, so an underscore sorts after the letters.
int compareAsciiFolded(const QString &a, const QString &b);
