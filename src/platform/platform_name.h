// The operating system the program runs on, by the name its users know it.
#pragma once

namespace orvelin {

/// "Linux", "macOS", "Windows", or "Unix" for the other systems a build can
/// target; fixed when the program is built, as the system is.
constexpr const char* platformName() {
#if defined(__linux__)
    return "Linux";
#elif defined(__APPLE__)
    return "macOS";
#elif defined(_WIN32)
    return "Windows";
#else
    return "Unix";
#endif
}

}  // namespace orvelin
