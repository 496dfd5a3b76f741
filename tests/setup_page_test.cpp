#include "pages/setup_page.h"

#include <gtest/gtest.h>

#include "support/fakes.h"

using kvt::testing::TestProgram;

TEST(SetupPage, SizeBoxesAreHeldToTheirLimits) {
    TestProgram test;
    auto& main = test.start().Main;
    main.SetupText[0].setText("10000");
    EXPECT_EQ(main.SetupText[0].text(), "9999");
    main.SetupText[1].setText("201");
    EXPECT_EQ(main.SetupText[1].text(), "200");
    main.SetupText[2].setText("199 classes");
    EXPECT_EQ(main.SetupText[2].text(), "100");
    main.SetupText[2].setText("100");
    EXPECT_EQ(main.SetupText[2].text(), "100");
    main.SetupText[1].setText("200");
    EXPECT_EQ(main.SetupText[1].text(), "200");
    main.SetupText[0].setText("9999");
    EXPECT_EQ(main.SetupText[0].text(), "9999");
    main.SetupText[1].setText("abc");
    EXPECT_EQ(main.SetupText[1].text(), "abc");
}

TEST(SetupPage, TheTimeTableSizeIsHeldToThePreparedRowsWhileNoMeetIsOpen) {
    TestProgram test;
    auto& program = test.start();
    auto& main = program.Main;
    main.SetupText[8].setText("32768");
    EXPECT_EQ(main.SetupText[8].text(), "3000");
    main.SetupText[8].setText("3001");
    EXPECT_EQ(main.SetupText[8].text(), "3000");
    main.SetupText[8].setText("-5");
    EXPECT_EQ(main.SetupText[8].text(), "0");
    main.SetupText[8].setText("3000");
    EXPECT_EQ(main.SetupText[8].text(), "3000");
    // During a race the table grows past them, and the box tells its size.
    test.makeAndOpenMeet();
    ASSERT_FALSE(program.currentDatabase().empty());
    main.SetupText[8].setText("3100");
    EXPECT_EQ(main.SetupText[8].text(), "3100");
}

TEST(SetupPage, OptionsStoreTheirIndexAndStoredIndexesSelectOptions) {
    TestProgram test;
    auto& program = test.start();
    auto& main = program.Main;
    main.SetupEditorOption[2].select();
    EXPECT_EQ(main.SetupText[17].text(), " 2");
    main.SetupText[17].setText("7");
    EXPECT_TRUE(main.SetupEditorOption[2].selected());  // outside the group: no change
    main.SetupText[3].setText("3");
    EXPECT_TRUE(main.SetupTimeOption[3].selected());
    EXPECT_EQ(main.SetupText[3].text(), " 3");
    main.SetupSignalOption[0].select();
    EXPECT_EQ(main.SetupText[4].text(), " 0");
    main.SetupText[5].setText(" 0");
    EXPECT_TRUE(main.SetupOption[0].selected());
    EXPECT_FALSE(main.SetupOption[1].selected());
}

TEST(SetupPage, ChoosingALanguageAppliesItAtOnce) {
    TestProgram test;
    auto& program = test.start();
    program.Main.SetupLanguageOption[1].select();
    EXPECT_EQ(program.Main.SetupText[16].text(), " 1");
    EXPECT_EQ(program.MDIMain.Help.caption(), "&Help");
    program.Main.SetupLanguageOption[0].select();
    EXPECT_EQ(program.MDIMain.Help.caption(), "&Hjelp");
    // The choice lists keep the language of the start-up.
    EXPECT_EQ(program.Main.NameCombo[3].items()[0], "Mann");
}

TEST(SetupPage, TabsBringTheirPageToTheFront) {
    TestProgram test;
    auto& main = test.start().Main;
    main.SetupTabStrip.clickTab(3);
    EXPECT_EQ(main.SetupContainer.front(), 2);
    main.MainTabStrip.clickTab(5);
    EXPECT_EQ(main.MainConTainer.front(), 4);
    main.TimeTabStrip.clickTab(2);
    EXPECT_EQ(main.TimeContainer.front(), 1);
    main.ResultsTabStrip.clickTab(2);
    EXPECT_EQ(main.ResultsContainer.front(), 1);
}
