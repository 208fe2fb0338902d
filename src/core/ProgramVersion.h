#pragma once

namespace ProgramVersion {

// This release's number, as the version service and the help texts count.
inline constexpr int kCurrent = 166;

} // namespace ProgramVersion
