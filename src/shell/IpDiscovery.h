#pragma once
// The address under which others reach the server, shown as URL in IPEd:
// from the echo service (on a worker thread, the window stays responsive
// behind the wait notice) or from the host's own interfaces.

#include <string_view>

#include "config/InternetRequest.h"

namespace palvex {

inline constexpr std::string_view kOnlineCheckWait = "Online-Check, bitte warten ...";
inline constexpr std::string_view kIpNotFound = "Die IP-Adresse konnte nicht ermittelt werden.";
inline constexpr std::string_view kIpUnchanged = "Die IP hatte sich nicht verändert.";

// Shows a dotted address (leading zeros kept) as URL with the port the
// server is reached on, and stores it as the IP setting; false, with
// nothing changed, when the text is no address.
bool ShowAddressText(std::string_view text);
// True while an echo request runs.
bool PublicIpQueryRunning();
// Time-outs of the echo request (tests shorten them).
void SetEchoLimits(const TInternetLimits& limits);

}  // namespace palvex
