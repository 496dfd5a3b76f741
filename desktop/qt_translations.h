// Qt's own texts (the buttons of message boxes, the labels of the file dialog, the menus of text
// boxes) in the language in force.
#pragma once

#include <QTranslator>
#include <memory>

#include "lang/language_texts.h"

namespace kvt::desktop {

class QtTranslations {
public:
    QtTranslations();
    ~QtTranslations();
    QtTranslations(const QtTranslations&) = delete;
    QtTranslations& operator=(const QtTranslations&) = delete;

    // Norwegian: the translators are installed on the application; English: Qt's own texts.
    void follow(lang::Language language);
    // Whether Qt's Norwegian translations of the system were found.
    bool systemTranslationsFound() const { return systemFound_; }
    bool norwegianInForce() const { return installed_; }

private:
    // Qt's Norwegian file from the system's translations (the Bokmål one when the system has
    // it, else the nearest Norwegian one), beneath the program's own Bokmål texts.
    QTranslator system_;
    std::unique_ptr<QTranslator> bokmal_;
    bool systemFound_ = false;
    bool installed_ = false;
};

}  // namespace kvt::desktop
