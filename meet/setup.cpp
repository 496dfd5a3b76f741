// The Setup record and the settings the operator changes on the setup page.
#include "base/number_text.h"
#include "base/time_text.h"
#include "meet/meet.h"
#include "meet/meet_internal.h"

namespace kvt::meet {

using namespace detail;
namespace entry = lang::entry;

// ---- the Setup record ----

bool SetupRecord::yes(int field) const {
    return base::TextToNumber(fields.at(field)) != 0;
}

double SetupRecord::number(int field) const {
    return base::TextToNumber(fields.at(field));
}

int SetupRecord::count(int field) const {
    return count16(fields.at(field));
}

int SetupRecord::timeFormat() const {
    double value = number(field::TimeFormat);
    for (int i = 0; i < 4; ++i)
        if (value == i) return i;
    return base::NoTimeFormat;
}

// ---- settings and registers ----

Outcome Meet::changeSetting(int field, const std::string& value) {
    Outcome outcome;
    const bool isCount = field == field::RegisteredCount || field == field::FetchedCount ||
                         field == field::TimeTableSize ||
                         (field >= field::ChannelCount(1) && field <= field::ChannelCount(6)) ||
                         field == field::CompetitorCount || field == field::ClubCount ||
                         field == field::ClassCount;
    // The counts are the meet's own (the capture page shows them after every registration):
    // nothing to store, so no turn to ask the server for.
    if (field < 0 || field >= field::Count || isCount) return outcome;
    Turn turn(*this);
    if (setup_.fields[field] == value && !unstoredSettings_.count(field)) return outcome;
    unstoredSettings_[field] = value;
    storeEdits(outcome);
    return outcome;
}

void Meet::setSetupField(int field, const std::string& value) {
    setup_.fields.at(field) = value;
    unstoredSetup_.insert(field);
}

}  // namespace kvt::meet
