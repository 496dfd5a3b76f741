// What could not be stored, written beside the meet as plain text so that an official can
// type it in again: the last resort when a meet must close while its database cannot be written.
#include <ctime>
#include <sstream>

#include "base/files.h"
#include "meet/meet.h"
#include "storage/schema.h"

namespace kvt::meet {

namespace {

std::string stamp(const char* format) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, format, &local);
    return text;
}

}  // namespace

const std::string& Meet::recoveryFilePath() const {
    if (recoveryFile_.empty()) {
        std::string base = path_.size() > 4 ? path_.substr(0, path_.size() - 4) : path_;
        recoveryFile_ = base + "-not-stored-" + stamp("%Y%m%d-%H%M%S") + ".txt";
    }
    return recoveryFile_;
}

void Meet::writeRecoveryFile() const {
    namespace entry = lang::entry;
    std::ostringstream out;
    const bool english = language_ == lang::Language::English;
    out << (english ? "Not stored in the meet database " : "Ikke lagret i stevnedatabasen ")
        << path_ << " (" << stamp("%Y-%m-%d %H:%M:%S") << ")\n";
    if (!failure_.empty()) out << failure_ << "\n";
    out << "\n" << words_[entry::TimeTable] << ": " << words_[entry::TimeIndexField];
    for (int e = entry::TimeIdField; e <= entry::TimeInfoField; ++e) out << "; " << words_[e];
    out << "\n";
    for (const auto& unstored : unstoredRows_) {
        const int row = unstored.first;
        const auto& fields = unstored.second;
        // The whole row as the meet holds it: the queued fields over the registered time.
        const RegisteredTime slot =
            row < static_cast<int>(registered_.size()) ? registered_[row] : RegisteredTime{};
        auto field = [&](int e, const std::string& fallback) {
            auto found = fields.find(e);
            return found != fields.end() ? found->second : fallback;
        };
        out << row << "; " << field(entry::TimeIdField, slot.identification) << "; "
            << field(entry::TimeTimeField, slot.time) << "; "
            << field(entry::TimeNumberField, slot.number) << "; "
            << field(entry::TimeKindField, slot.kind) << "; "
            << field(entry::TimeCompetitorField, "-") << "; " << field(entry::TimeInfoField, "-")
            << "\n";
    }
    if (!unstoredSetup_.empty() || !unstoredSettings_.empty()) {
        out << "\n" << words_[entry::SetupTable] << ":";
        for (int f : unstoredSetup_) out << " \"" << f << "\" = " << setup_.fields[f] << ";";
        for (const auto& [f, value] : unstoredSettings_)
            out << " \"" << f << "\" = " << value << ";";
        out << "\n";
    }
    // Mass starts and start impulses against plans.
    for (int c : starts_.unstoredClasses)
        out << "\n" << storage::ClassStartsTable << " " << c << " (" << classNames_[c]
            << "): MassTime = " << classStart(c).massTime << "; MassRow = "
            << classStart(c).massRow << "\n";
    for (int n : starts_.unstoredPlans) {
        const auto& plan = starts_.plans.at(n);
        out << "\n" << storage::PlannedStartsTable << " " << n << ": Planned = " << plan.planned
            << "; Impulse = " << plan.impulse << "; ImpulseRow = " << plan.impulseRow
            << "; Jury = " << JuryText(plan.jury) << "\n";
    }
    // Register records as the operator left them: the fields that were not stored.
    for (const auto& edit : unstoredEdits_) {
        const auto layout = storage::DescribeTable(
            edit.which == Register::Clubs     ? storage::TableKind::Clubs
            : edit.which == Register::Classes ? storage::TableKind::Classes
                                              : storage::TableKind::Competitors,
            words_);
        out << "\n" << layout.name << " " << edit.position << ":";
        for (const auto& [f, value] : edit.fields)
            out << " \"" << layout.fields.at(f).name << "\" = " << value << ";";
        out << "\n";
    }
    for (int c = 1; c <= classCount_; ++c) {
        const auto& results = results_[c];
        if (results.allStored()) continue;
        out << "\n"
            << resultsTable(c) << " (" << classNames_[c] << "): " << words_[entry::Place] << "; "
            << words_[entry::Number] << "; " << words_[entry::Competitor] << "; "
            << words_[entry::Club] << "; " << words_[entry::Result] << "; "
            << words_[entry::Difference] << "\n";
        for (int index : results.ranking()) {
            const auto& row = results.rows()[index];
            out << row.place << "; " << row.number << "; " << row.competitor << "; " << row.club
                << "; " << row.result << "; " << row.difference << "\n";
        }
    }
    if (!unstoredWork_.empty()) {
        out << "\n" << words_[entry::WorkTable] << ":\n";
        for (int i = 0; i < CaptureRows; ++i)
            out << i + 1 << ": " << rows_[i].number << "; " << rows_[i].regTimeIndex << "; "
                << rows_[i].regTime << "\n";
    }
    base::WriteWholeFile(recoveryFilePath(), out.str());
}

}  // namespace kvt::meet
