// The mimic view as the program wires it: the demo hall's picture opened from the main window,
// its sensors following the answers of the simulated hall, and a double click opening the
// program window of that incubator.
#include "mimic/DispetchView.h"
#include "mimic/ui/DemoMimic.h"
#include "mimic/ui/TDispetch.h"
#include "programs/ui/TForm2.h"
#include "setpoints/SetpointEdit.h"
#include "tests/ui/hall_program.h"

namespace vs::testing {
namespace {

struct NoDialogs final : Dialogs {
  void message(const std::string&) override {}
  Answer question(const std::string&, const std::string&, bool) override { return Answer::No; }
  std::optional<std::string> input(const std::string&, const std::string&,
                                   const std::string&) override {
    return std::nullopt;
  }
};

TEST_F(HallProgram, MimicViewFollowsTheHallAndOpensTheIncubatorsWindows) {
  ASSERT_TRUE(prepareDemoMimic(dir.home));
  startProgram({1, 2, 3}, {});
  ctl(2).setT1(3791);
  ASSERT_NE(w.dispetch, nullptr);
  w.form1->hooks.mimicView();
  ASSERT_TRUE(w.dispetch->isVisible());
  runHallMs(3000);

  DispetchView& v = w.dispetch->view();
  bool shown = false;
  const auto& sensors = v.elements(MimicKind::Sensor);
  for (int i = 0; i < static_cast<int>(sensors.size()); ++i)
    if (v.incubatorOf(v.record(MimicKind::Sensor, i)) == 2 &&
        sensors[static_cast<std::size_t>(i)].text == "37.91")
      shown = true;
  EXPECT_TRUE(shown) << "incubator 2's T1 on its panel";

  // A double click on incubator 2's panel opens its program window.
  const auto& panels = v.elements(MimicKind::Panel);
  for (int i = 0; i < static_cast<int>(panels.size()); ++i) {
    if (v.incubatorOf(v.record(MimicKind::Panel, i)) != 2) continue;
    NoDialogs none;
    v.doubleClick(MimicKind::Panel, i, false, none);
    break;
  }
  ASSERT_NE(w.form2, nullptr);
  EXPECT_TRUE(w.form2->isVisible());
}

}  // namespace
}  // namespace vs::testing
