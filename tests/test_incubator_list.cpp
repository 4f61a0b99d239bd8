// The editing rules of the incubator list: edits reach only the editing copy, bad numbers are
// refused, "Запомнить!" takes the copy over and saves it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "config/IncubatorList.h"

namespace vs {
namespace {

struct ListFixture : ::testing::Test {
  std::unique_ptr<TFile_config> config = std::make_unique<TFile_config>();
  std::unique_ptr<TFile_config> config_p = std::make_unique<TFile_config>();
  IncubatorList list{*config, *config_p};

  void SetUp() override {
    config->kol_inkub = 3;
    for (int i = 0; i < 3; ++i) {
      config->konfig_n[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(10 + i);
      config->konfig_s[static_cast<std::size_t>(i)].setUtf8("Инкубатор " + std::to_string(i + 1));
    }
    config->konfig_o[1] = 1;
    config->konfig_linia[2] = 4;
    list.showRows(3);
    list.refresh();
  }
};

TEST_F(ListFixture, ShowsTheEditingCopyWithThreeOrFourColumns) {
  EXPECT_EQ(list.columnCount(), 3);
  EXPECT_EQ(list.cell(0, 0), "Номер");
  EXPECT_EQ(list.cell(0, 1), "Название");
  EXPECT_EQ(list.cell(0, 2), "Опрос");
  EXPECT_EQ(list.cell(1, 0), "10");
  EXPECT_EQ(list.cell(1, 1), "Инкубатор 1");
  EXPECT_EQ(list.cell(1, 2), "НЕТ");
  EXPECT_EQ(list.cell(2, 2), "ДА");
  EXPECT_EQ(list.cell(3, 3), "");
  list.setHub(true);
  EXPECT_EQ(list.columnCount(), 4);
  EXPECT_EQ(list.cell(0, 3), "Линия (1..4)");
  EXPECT_EQ(list.cell(3, 3), "4");
  EXPECT_EQ((std::vector<int>{IncubatorList::columnWidth(0), IncubatorList::columnWidth(1),
                              IncubatorList::columnWidth(2), IncubatorList::columnWidth(3)}),
            (std::vector<int>{64, 313, 79, 112}));
  EXPECT_EQ(list.errorText(), "-----");
}

TEST_F(ListFixture, TypedNumbersAndNamesChangeOnlyTheEditingCopy) {
  EXPECT_TRUE(list.edit(1, 0, "85"));
  EXPECT_EQ(config_p->konfig_n[0], 85);
  EXPECT_EQ(config->konfig_n[0], 10);
  EXPECT_EQ(list.errorText(), "");

  EXPECT_TRUE(list.edit(2, 1, "Выводной №2"));
  EXPECT_EQ(config_p->konfig_s[1].utf8(), "Выводной №2");
  EXPECT_EQ(config_p->konfig_s[1].len, 11);  // one byte a character in Windows-1251
  EXPECT_EQ(config->konfig_s[1].utf8(), "Инкубатор 2");

  // A name is cut to the 100 characters the record holds.
  EXPECT_TRUE(list.edit(3, 1, std::string(150, 'x')));
  EXPECT_EQ(config_p->konfig_s[2].len, 100);

  // A character Windows-1251 lacks would come back as "?": the name is refused with the reason
  // and the one before stays. A "?" typed as such is a character like any other.
  EXPECT_FALSE(list.edit(2, 1, "Инкубатор ✓"));
  EXPECT_EQ(list.errorText(), "Ошибка");
  EXPECT_EQ(list.refusal(), "В названии знак \"✓\", которого нет в кодировке Windows-1251");
  EXPECT_EQ(config_p->konfig_s[1].utf8(), "Выводной №2");
  EXPECT_TRUE(list.edit(2, 1, "Кто? «Вывод»"));
  EXPECT_EQ(list.refusal(), "");
  EXPECT_EQ(config_p->konfig_s[1].utf8(), "Кто? «Вывод»");
}

TEST_F(ListFixture, TextThatIsNotANumberOrDoesNotFitIsRefused) {
  for (const char* bad : {"", "abc", "12a", "1.5", "-1", "65536", "99999999999999999999"}) {
    list.edit(1, 0, "7");
    EXPECT_FALSE(list.edit(1, 0, bad)) << bad;
    EXPECT_EQ(list.errorText(), "Ошибка") << bad;
    EXPECT_EQ(config_p->konfig_n[0], 7) << bad;
  }
  EXPECT_TRUE(list.edit(1, 0, "65535"));
  EXPECT_EQ(list.errorText(), "");

  // The line column exists only with the hub; its values are one byte.
  EXPECT_FALSE(list.edit(1, 3, "2"));
  list.setHub(true);
  EXPECT_FALSE(list.edit(1, 3, "256"));
  EXPECT_EQ(list.errorText(), "Ошибка");
  EXPECT_EQ(config_p->konfig_linia[0], 0);
  EXPECT_TRUE(list.edit(1, 3, "3"));
  EXPECT_EQ(config_p->konfig_linia[0], 3);

  // The poll column is not typed into; rows outside the list are not touched.
  EXPECT_FALSE(list.edit(1, 2, "ДА"));
  EXPECT_FALSE(list.edit(0, 0, "5"));
  EXPECT_FALSE(list.edit(4, 0, "5"));
  EXPECT_EQ(config_p->konfig_n[3], 0);
}

TEST_F(ListFixture, PollFlagIsSetByTheAnswerToTheQuestion) {
  EXPECT_TRUE(list.isPollColumn(1, 2));
  EXPECT_FALSE(list.isPollColumn(0, 2));
  EXPECT_FALSE(list.isPollColumn(1, 1));
  list.setPoll(1, true);
  EXPECT_EQ(list.cell(1, 2), "ДА");
  EXPECT_EQ(config->konfig_o[0], 0);
  list.setPoll(2, false);
  EXPECT_EQ(list.cell(2, 2), "НЕТ");
  list.setPoll(9, true);  // not a row of the list
  EXPECT_EQ(config_p->konfig_o[8], 0);
}

TEST_F(ListFixture, CountIsOneToAHundred) {
  EXPECT_EQ(list.setCount(0), 1);
  EXPECT_EQ(config_p->kol_inkub, 1);
  EXPECT_EQ(list.setCount(-5), 1);
  EXPECT_EQ(list.setCount(150), 100);
  EXPECT_EQ(list.rows(), 100);
  EXPECT_EQ(list.setCount(5), 5);
  EXPECT_EQ(config_p->kol_inkub, 5);
  EXPECT_EQ(config->kol_inkub, 3);
  // Showing rows for the live configuration does not change the editing copy's count.
  list.showRows(2);
  EXPECT_EQ(config_p->kol_inkub, 5);
}

TEST_F(ListFixture, ShowingTheTabAgainDropsUnsavedEdits) {
  list.edit(1, 0, "99");
  list.setPoll(1, true);
  list.refresh();
  EXPECT_EQ(config_p->konfig_n[0], 10);
  EXPECT_EQ(config_p->konfig_o[0], 0);
}

TEST_F(ListFixture, RememberTakesTheCopyOverSendsTheHubTableThenSaves) {
  list.edit(1, 0, "77");
  std::vector<std::string> steps;
  auto hub = [&] {
    steps.push_back("hub");
    EXPECT_EQ(config->konfig_n[0], 78);  // the table is built from the new configuration
  };
  auto save = [&] {
    steps.push_back("save");
    return true;
  };
  EXPECT_TRUE(list.remember(hub, save));
  EXPECT_EQ(steps, std::vector<std::string>{"save"});  // no hub, no table
  EXPECT_EQ(config->konfig_n[0], 77);

  list.setHub(true);
  list.edit(1, 0, "78");
  steps.clear();
  EXPECT_FALSE(list.remember(hub, [&] {
    steps.push_back("save");
    return false;
  }));
  EXPECT_EQ(steps, (std::vector<std::string>{"hub", "save"}));
}

TEST_F(ListFixture, ALargeConfigurationKeepsItsCountUnlessTheOperatorChangesIt) {
  config->kol_inkub = 130;
  list.refresh();
  list.showRows(130);
  EXPECT_EQ(list.rows(), 100);
  EXPECT_EQ(list.exportCount(100), 130);
  EXPECT_TRUE(list.remember(nullptr, [] { return true; }));
  EXPECT_EQ(config->kol_inkub, 130);
  list.setCount(100);
  EXPECT_EQ(list.exportCount(100), 100);
  EXPECT_EQ(list.exportCount(40), 40);
}

}  // namespace
}  // namespace vs
