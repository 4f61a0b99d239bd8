// The window "Аварийные сообщения": the alarms that wait for a person, with their state and
// who acknowledged them; acknowledgement of the selected rows or of all, and shelving of an
// incubator's alarms for maintenance.
#pragma once
#include <QString>
#include <QWidget>
#include <functional>

#include "alarms/AlarmList.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace vs {

// The operating-system user the program runs as: the author of an acknowledgement made at this
// desk.
QString operatorName();

// The state of an alarm in the operator's words; a shelving with its end.
QString alarmStateText(AlarmState s, TDateTime shelvedUntil);

class TAlarmsF : public QWidget {
  Q_OBJECT

 public:
  enum Column { ColRaised = 0, ColNumber, ColName, ColCaption, ColState, ColAckAt, ColAckBy };

  explicit TAlarmsF(AlarmList& list, QWidget* parent = nullptr);

  // How long to shelve the alarms of `who`, in seconds; 0 keeps them as they are. By default a
  // small dialog asks in minutes; tests answer it themselves.
  std::function<int(const QString& who)> askShelfSeconds;
  // The author of the window's acknowledgements and shelvings.
  std::function<QString()> author = [] { return operatorName(); };

  // A second copy only watches: nothing can be acknowledged or shelved from it.
  void setReadOnly(bool on);

  // The list has changed: the table follows soon after (once for a burst of changes), and the
  // count of unacknowledged alarms is told again.
  void listChanged();
  // Shows the list as it is now.
  void refresh();

  QTableWidget* grid() const { return grid_; }
  QPushButton* ackButton() const { return ack_; }            // "Квитировать"
  QPushButton* ackAllButton() const { return ackAll_; }      // "Квитировать все"
  QPushButton* shelveButton() const { return shelve_; }      // "Отложить"
  QPushButton* unshelveButton() const { return unshelve_; }  // "Вернуть"
  // The alarm a row shows.
  AlarmKey keyAt(int row) const;

 signals:
  // The count of unacknowledged alarms, after every change of the list.
  void unacknowledged(int count);
  // The operator acknowledged at least one alarm here: the clip that plays has been heard.
  void acknowledged();

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void acknowledgeSelected();
  void shelveSelected();
  void unshelveSelected();
  // The incubator of the current row, or 0 for none (or the station's own alarm).
  int selectedIncubator() const;
  void updateButtons();
  int askDefault(const QString& who);

  AlarmList& list_;
  QTableWidget* grid_ = nullptr;
  QLabel* count_ = nullptr;
  QPushButton* ack_ = nullptr;
  QPushButton* ackAll_ = nullptr;
  QPushButton* shelve_ = nullptr;
  QPushButton* unshelve_ = nullptr;
  bool readOnly_ = false;
  bool pending_ = false;
};

}  // namespace vs
