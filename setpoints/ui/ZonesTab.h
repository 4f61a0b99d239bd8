// The "Зоны" tab of the main window: the setpoint grid `zonT`, one column per incubator (the
// main window sizes it and names the columns) and one row per setpoint with its caption. A
// double-click on a cell asks for the new value and opens the write dialog, or opens the
// editor that the row belongs to.
#pragma once
#include <QWidget>
#include <memory>

#include "setpoints/SetpointEdit.h"
#include "station/PollState.h"
#include "station/StationTables.h"

class QTableWidget;

namespace vs {

class ZonesTab : public QWidget {
  Q_OBJECT

 public:
  // `tables` are the station's per-incubator tables it shows; `WriteKom` the write that a
  // double-click fills before hooks.writeDialog runs.
  ZonesTab(const StationTables& tables, TWriteCom& WriteKom, QWidget* parent = nullptr);
  ~ZonesTab() override;

  QTableWidget* zonT() const { return zonT_; }

  // Where a double-click leads: the write dialog (TWriteF::exec), and the editors of the
  // controller settings once they exist.
  SetpointEditHooks hooks;
  // The operator's boxes; by default Qt's own. Tests give theirs (it must outlive the tab).
  void setDialogs(Dialogs* dialogs);

  // zon_ust: rewrites every cell from the tables. With `nk`, only that incubator's column,
  // which is all a status answer of row nk can change.
  void zon_ust();
  void zon_ust(int nk);

  // The double-click on grid cell (row, column), 0-based as Qt counts them.
  void zonTDblClick(int row, int column);

 private:
  const StationTables& tables_;
  TWriteCom& WriteKom_;
  QTableWidget* zonT_ = nullptr;
  std::unique_ptr<Dialogs> own_;
  Dialogs* dialogs_ = nullptr;
};

}  // namespace vs
