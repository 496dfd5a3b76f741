// The competitor, club and class registers: what the meet holds of them, their edits and
// imports.
#include "base/number_text.h"
#include "lang/meet_texts.h"
#include "meet/meet.h"
#include "meet/meet_internal.h"
#include "storage/schema.h"

namespace kvt::meet {

using namespace detail;
namespace entry = lang::entry;

// ---- what the meet holds ----

std::string Meet::resultsTable(int classNumber) const {
    return words_[entry::ResultsTablePrefix] + std::to_string(classNumber);
}

int Meet::recordNumber(int position) const {
    return position >= 1 && position < static_cast<int>(recordNumbers_.size())
               ? recordNumbers_[position]
               : -1;
}

std::vector<int> Meet::recordsNumbered(int n) const {
    std::vector<int> positions;
    for (int k = 1; k < static_cast<int>(recordNumbers_.size()); ++k)
        if (recordNumbers_[k] == n) positions.push_back(k);
    return positions;
}

bool Meet::hasClub(const std::string& name) const {
    const std::string wanted = trimmed(name);
    if (wanted.empty() || wanted == "-") return false;
    for (int m = 1; m <= clubCount_; ++m)
        if (trimmed(clubNames_[m]) == wanted) return true;
    return false;
}

bool Meet::hasClass(const std::string& name) const {
    const std::string wanted = trimmed(name);
    if (wanted.empty() || wanted == "-") return false;
    for (int m = 1; m <= classCount_; ++m)
        if (trimmed(classNames_[m]) == wanted) return true;
    return false;
}

std::string Meet::unrankedStatus(int n) const {
    if (n < 1 || n > MaxStartNumber) return {};
    const std::string& stored = competitors_[n].status;
    if (stored.empty() || stored == "-") return {};
    const std::string status = folded(stored);
    // Picked under either language (an imported list may carry the other's words).
    for (int e : {entry::Disqualified, entry::Canceled}) {
        const lang::Bilingual both = catalogueText(e);
        if (status == folded(both.english) || status == folded(both.norwegian)) return words_[e];
    }
    return {};
}

namespace {
storage::TableKind kindOf(Register which) {
    switch (which) {
        case Register::Clubs:
            return storage::TableKind::Clubs;
        case Register::Classes:
            return storage::TableKind::Classes;
        case Register::Competitors:
            break;
    }
    return storage::TableKind::Competitors;
}
}  // namespace

std::string Meet::registerTable(Register which) const {
    return storage::DescribeTable(kindOf(which), words_).name;
}

int Meet::registerCount(Register which) const {
    switch (which) {
        case Register::Clubs:
            return clubCount_;
        case Register::Classes:
            return classCount_;
        case Register::Competitors:
            break;
    }
    return highestNumber_;
}

std::vector<storage::Record> Meet::registerRecords(Register which) const {
    const auto layout = storage::DescribeTable(kindOf(which), words_);
    auto records = engine_.openTable(path_, layout.name)->readAll();
    for (auto& record : records) record.resize(layout.fields.size());
    return records;
}

Outcome Meet::importEntries(Register which, const std::vector<RegisterEntry>& entries) {
    const auto layout = storage::DescribeTable(kindOf(which), words_);
    const int count = registerCount(which);
    const int fieldCount = static_cast<int>(layout.fields.size());
    std::set<int> numbers;
    for (const auto& entry : entries) {
        if (entry.number < 1 || entry.number > count || !numbers.insert(entry.number).second)
            throw std::invalid_argument(layout.name + ": no record " +
                                        std::to_string(entry.number) +
                                        " to import into, or it comes twice");
        for (const auto& [position, value] : entry.fields)
            if (position < 1 || position >= fieldCount)
                throw std::invalid_argument(layout.name + ": no field " + std::to_string(position));
    }
    auto table = engine_.openTable(path_, layout.name);
    auto records = table->readAll();
    if (static_cast<int>(records.size()) < count)
        throw std::runtime_error(layout.name + ": " + std::to_string(records.size()) +
                                 " records, " + std::to_string(count) + " expected");
    for (const auto& entry : entries) {
        auto& record = records[entry.number - 1];
        record.resize(fieldCount);
        for (const auto& [position, value] : entry.fields) record[position] = value;
    }
    // What the caches and results were, for an import that cannot be stored.
    const auto competitors = competitors_;
    const auto recordNumbers = recordNumbers_;
    const auto clubs = clubNames_;
    const auto classes = classNames_;
    const auto results = results_;
    const auto waiting = waitingResults_;
    for (int k = 1; k <= count; ++k) {
        const auto& record = records[k - 1];
        if (record.empty()) continue;
        if (which == Register::Competitors)
            fillCompetitor(k, record);
        else if (which == Register::Clubs)
            fillClub(record);
        else
            fillClass(record);
    }
    Outcome outcome;
    outcome.acted = true;
    recordWaitingResults(outcome);
    commit(outcome, [&] {
        for (const auto& entry : entries) {
            storage::NamedFields named;
            named.reserve(entry.fields.size());
            for (const auto& [position, value] : entry.fields)
                named.emplace_back(layout.fields[position].name, value);
            if (!named.empty()) table->writeFields(entry.number, named);
        }
    });
    if (!outcome.stored) {
        competitors_ = competitors;
        recordNumbers_ = recordNumbers;
        clubNames_ = clubs;
        classNames_ = classes;
        results_ = results;
        waitingResults_ = waiting;
        outcome.acted = false;
        outcome.finished = false;
    }
    return outcome;
}

void Meet::updateCompetitor(int position, int n, const std::string& first,
                            const std::string& surname, const std::string& club,
                            const std::string& className, int payment, const std::string& status) {
    if (position >= 1 && position < static_cast<int>(recordNumbers_.size()))
        recordNumbers_[position] = n;
    if (n < 0 || n > MaxStartNumber) return;
    auto& competitor = competitors_[n];
    competitor.name = first + ", " + surname;
    competitor.club = club;
    competitor.className = className;
    competitor.payment = payment;
    competitor.status = status;
}

void Meet::updateClub(int m, const std::string& name) {
    if (m >= 0 && m <= MaxClubOrClass) clubNames_[m] = name;
}

void Meet::updateClass(int m, const std::string& name) {
    if (m >= 0 && m <= MaxClubOrClass) classNames_[m] = name;
}

}  // namespace kvt::meet
