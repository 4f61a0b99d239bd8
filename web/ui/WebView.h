// The web view of the program: started after the station when it is asked for, by --web or by
// the key "Listen" of section "Web" of the settings file, on 127.0.0.1 unless an address is
// given. The token for clients from other machines is the key "Token" of that section, made at
// the first start.
#pragma once
#include <memory>
#include <string>

#include "web/ui/WebServer.h"

namespace vs {
class AlarmList;
class Station;
class Workstation;
}  // namespace vs

namespace vs::web {

inline constexpr const char* kWebSection = "Web";

// Null when the view is not asked for or cannot listen (the reason is reported). `alarms` is
// the station's alarm list that the view shows and acknowledges (none: an empty list).
std::unique_ptr<WebServer> startWebView(const std::string& listenOption, Workstation& ws,
                                        Station& st, AlarmList* alarms);

// The settings file's token, or a new one written there (also when the one there is too short
// to be a token). `why` gets the reason when a new token cannot be kept.
std::string webToken(Workstation& ws, std::string* why);

}  // namespace vs::web
