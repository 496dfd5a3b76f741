// The fields of the competitor, club and class registers as a spreadsheet's columns: what each
// is called in both languages and the header words that name it.
#pragma once

#include <string>
#include <vector>

#include "lang/language_texts.h"
#include "meet/meet.h"

namespace kvt::entries {

struct RegisterField {
    int position;  // in the table; 0 is the number
    lang::Bilingual name;
    // Header words that name the field besides its names, as HeaderKey gives them.
    std::vector<const char*> words;
};

// The fields that go in and out of a register, the number first, in the table's order.
const std::vector<RegisterField>& RegisterFields(meet::Register which);
// The field of a register at a position of its table, or nullptr when none goes in and out.
const RegisterField* FindField(meet::Register which, int position);

// A header as compared: small letters and digits only ("First name" and "first-name" are both
// "firstname"; Æ, Ø and Å count as letters).
std::string HeaderKey(const std::string& utf8);
// The position of the field a header names, or -1.
int GuessField(meet::Register which, const std::string& header);

}  // namespace kvt::entries
