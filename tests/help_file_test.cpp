#include "shell/help_file.h"

#include <gtest/gtest.h>

using kvt::shell::LoadHelpFile;

TEST(HelpFiles, BothLanguagesHoldTheSameGuide) {
    for (auto [english, norwegian] :
         {std::pair{"Help.hlp", "Hjelp.hlp"}, std::pair{"Iocard.hlp", "Iokort.hlp"}}) {
        auto en = LoadHelpFile(std::string(KVT_ASSETS_DIR) + "/" + english);
        auto no = LoadHelpFile(std::string(KVT_ASSETS_DIR) + "/" + norwegian);
        EXPECT_FALSE(en.title.empty());
        EXPECT_GE(en.topics.size(), 5u) << english;
        EXPECT_EQ(en.topics.size(), no.topics.size()) << english;
    }
}

TEST(HelpFiles, SearchFindsTopicsByAllWordsIgnoringCase) {
    auto help = kvt::shell::ParseHelp(
        "# Guide\n\n## Capturing times\nPress F2 to capture.\n\n## Photocells\nWire the "
        "PHOTOCELL to pin 2.\n\n## Ærlig\nÅpen dør.\n");
    ASSERT_EQ(help.topics.size(), 3u);
    EXPECT_EQ(help.title, "Guide");
    EXPECT_EQ(help.search("photocell"), (std::vector<int>{1}));
    EXPECT_EQ(help.search("pin photocell"), (std::vector<int>{1}));
    EXPECT_EQ(help.search("pin capture"), (std::vector<int>{}));
    EXPECT_EQ(help.search("ærlig åpen"), (std::vector<int>{2}));
    EXPECT_EQ(help.search(""), (std::vector<int>{0, 1, 2}));
}

TEST(HelpFiles, AMissingFileIsAnError) {
    EXPECT_THROW(LoadHelpFile("/no/such/help.hlp"), std::runtime_error);
}
