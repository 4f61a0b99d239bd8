#include "web/ui/WebView.h"

#include <QPointer>
#include <QRandomGenerator>
#include <iostream>

#include "config/SettingsFile.h"
#include "config/Workstation.h"
#include "station/Station.h"

namespace vs::web {

std::string webToken(Workstation& ws, std::string* why) {
  IniFile ini;
  ini.load(ws.iniPath());
  const std::string kept = ini.readString(kWebSection, "Token", "");
  if (kept.size() >= 16 && kept.find_first_of(" ;\"") == std::string::npos) return kept;
  std::array<std::uint8_t, 16> bytes{};
  for (auto& b : bytes) b = static_cast<std::uint8_t>(QRandomGenerator::system()->bounded(256));
  const std::string token = tokenFromBytes(bytes);
  if (ws.readOnly() || !saveKey(ws.iniPath(), kWebSection, "Token", token)) {
    if (why)
      *why = "Ключ доступа веб-просмотра не записан в " + ws.iniPath().string() +
             ": до перезапуска действует временный ключ";
  }
  return token;
}

std::unique_ptr<WebServer> startWebView(const std::string& listenOption, Workstation& ws,
                                        Station& st, AlarmList* alarms) {
  std::string text = listenOption;
  if (text.empty()) {
    IniFile ini;
    ini.load(ws.iniPath());
    text = ini.readString(kWebSection, "Listen", "");
  }
  if (text.empty()) return nullptr;
  const auto at = parseListen(text);
  if (!at) {
    ws.report("Веб-просмотр не запущен: \"" + text + "\" не адрес вида [АДРЕС:]ПОРТ");
    return nullptr;
  }
  auto feed = std::make_shared<HallFeed>(st, ws.settings);
  HallFeed::attach(feed, st);
  auto server = std::make_unique<WebServer>(feed);
  server->setAlarmList(alarms);
  // As in the alarm window: a copy that only watches acknowledges nothing.
  server->setMayAcknowledge([&ws, &st] { return !st.observer && !ws.readOnly(); });
  std::string why;
  server->setToken(webToken(ws, &why));
  if (!why.empty()) ws.report(why);
  QString failed;
  const QHostAddress address(QString::fromStdString(at->address));
  if (address.isNull()) {
    ws.report("Веб-просмотр не запущен: \"" + at->address + "\" не IP-адрес");
    return nullptr;
  }
  if (!server->listen(address, static_cast<quint16>(at->port), &failed)) {
    ws.report(failed.toStdString());
    return nullptr;
  }
  // Clients are let go before the settings are stored and the journal closes.
  ws.beforeShutDown.push_back([view = QPointer<WebServer>(server.get())] {
    if (view) view->stop();
  });
  const std::string url = "http://" + server->address().toString().toStdString() + ":" +
                          std::to_string(server->port()) + "/";
  ws.journal.Err("Веб-просмотр: " + url);
  std::cerr << "Vetrostan: веб-просмотр " << url << '\n';
  return server;
}

}  // namespace vs::web
