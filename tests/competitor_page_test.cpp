// The line under the competitor record: a start number another record holds too, and a club or
// class that is none of the meet's.
#include <gtest/gtest.h>

#include "support/fakes.h"

using kvt::testing::TestProgram;

TEST(CompetitorPage, ADuplicateNumberAndAClubOrClassOfNoneOfTheMeetsAreFlaggedUnderTheRecord) {
    TestProgram test;
    auto& program = test.start();
    program.Main.SetupCheck[1].setChecked(true);
    ASSERT_FALSE(test.makeAndOpenMeet().empty());
    auto& main = program.Main;
    main.NameMover.setText("3");
    EXPECT_EQ(main.NameWarning.caption(), "");
    main.NameIndex.setText(" 2");
    EXPECT_EQ(main.NameWarning.caption(), "Startnummer 2 står også i post 2.");
    main.NameCombo[0].setText("Ukjent IL");
    main.NameCombo[1].setText("junior");  // a finish would not find "Junior"
    EXPECT_EQ(main.NameWarning.caption(),
              "Startnummer 2 står også i post 2.  Klubben \"Ukjent IL\" er ingen av stevnets "
              "klubber.  Klassen \"junior\" er ingen av stevnets klasser: en målgang gir ikke "
              "resultat.");
    // Left and stored, the record itself is what the other one is flagged by.
    main.NameMover.setText("2");
    EXPECT_EQ(main.NameWarning.caption(), "Startnummer 2 står også i post 3.");
    main.NameMover.setText("3");
    main.NameIndex.setText(" 3");
    main.NameCombo[0].pick(1);
    main.NameCombo[1].setText("Junior");
    EXPECT_EQ(main.NameWarning.caption(), "");
    main.NameMover.setText("2");
    EXPECT_EQ(main.NameWarning.caption(), "");
    // A record of an unused number shows nothing: "-" names no club or class.
    main.NameMover.setText("9");
    EXPECT_EQ(main.NameWarning.caption(), "");
}
