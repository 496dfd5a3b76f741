// Entries figures, headless (medians):
//   import_3000_ms   3000 competitors from a CSV file into a meet: the command from the file
//                    read to the records stored and the page, caches and lists following (the
//                    operator's time on the preview left out)
//   start_list_ms    both files of the start list, 3000 competitors in 15 classes
#include <cstdio>
#include <fstream>

#include "results/start_list.h"
#include "support/fakes.h"
#include "timing.h"

using namespace kvt;
using kvt::bench::median;
using kvt::bench::milliseconds;
namespace fs = std::filesystem;

namespace {

std::string write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}

bool import(testing::TestProgram& test, const std::string& path) {
    test.dialogs.messages.clear();
    test.dialogs.fileAnswers.push_back(path);
    test.program().MDIMain.ImportCsv.click();
    const bool imported = !test.dialogs.messages.empty() &&
                          test.dialogs.messages.back().text.rfind("Importert", 0) == 0;
    if (!imported)
        std::fprintf(stderr, "%s\n",
                     test.dialogs.messages.empty() ? "no message"
                                                   : test.dialogs.messages.back().text.c_str());
    return imported;
}

}  // namespace

int main() {
    testing::TestProgram test;
    auto& program = test.start();
    auto& main = program.Main;
    main.SetupText[0].setText("3000");
    main.SetupText[1].setText("15");
    main.SetupText[2].setText("15");
    const std::string path = test.makeAndOpenMeet("Bench.mdb");
    if (program.currentDatabase() != path) return 1;

    std::string clubs = "Klubbnummer;Klubbnavn\r\n", classes = "Klassenummer;Klassenavn\r\n";
    for (int m = 1; m <= 15; ++m) {
        clubs += std::to_string(m) + ";Idrettslaget Ørn " + std::to_string(m) + "\r\n";
        classes += std::to_string(m) + ";Klasse " + std::to_string(m) + "\r\n";
    }
    if (!import(test, write(test.folder() / "Clubs.csv", clubs)) ||
        !import(test, write(test.folder() / "Classes.csv", classes)))
        return 1;

    std::vector<double> imports;
    for (int run = 0; run < 5; ++run) {
        std::string file = "Startnummer;Fornavn;Etternavn;Klubb;Klasse;Adresse;By;Mobil\r\n";
        for (int n = 1; n <= 3000; ++n)
            file += std::to_string(n) + ";Fornavn " + std::to_string(n + run) + ";\"Etternavn, " +
                    std::to_string(n) + "\";Idrettslaget Ørn " + std::to_string(1 + n % 15) +
                    ";Klasse " + std::to_string(1 + (n - 1) / 200) + ";Gate " + std::to_string(n) +
                    ";Bø;9" + std::to_string(1000000 + n) + "\r\n";
        const std::string csv = write(test.folder() / "Competitors.csv", file);
        bool imported = false;
        imports.push_back(milliseconds([&] { imported = import(test, csv); }));
        if (!imported || program.meet->competitor(3000).name !=
                             "Fornavn " + std::to_string(3000 + run) + ", Etternavn, 3000")
            return 1;
    }
    std::printf("import_3000_ms: %.1f ms\n", median(imports));

    std::vector<double> lists;
    for (int run = 0; run < 7; ++run)
        lists.push_back(milliseconds([&] { results::WriteStartList(program); }));
    if (!fs::exists(test.folder() / "Bench" / "Startliste.htm") ||
        fs::file_size(test.folder() / "Bench" / "Startliste.txt") < 3000 * 47)
        return 1;
    std::printf("start_list_ms: %.1f ms\n", median(lists));
    return 0;
}
