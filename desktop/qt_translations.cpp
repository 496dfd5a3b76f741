#include "desktop/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <cstring>
#include <map>
#include <string>
#include <utility>

namespace kvt::desktop {

namespace {

struct Translation {
    const char* context;
    const char* source;
    const char* bokmal;
};

// The texts of Qt's dialogs that the program shows, in Bokmål: the system's Norwegian file may
// be Nynorsk only ("Opna", "Filnamn"), which would sit oddly beside the program's own texts.
constexpr Translation bokmalTexts[] = {
    {"QPlatformTheme", "OK", "OK"},
    {"QPlatformTheme", "Save", "Lagre"},
    {"QPlatformTheme", "Save All", "Lagre alle"},
    {"QPlatformTheme", "Open", "Åpne"},
    {"QPlatformTheme", "&Yes", "&Ja"},
    {"QPlatformTheme", "Yes to &All", "Ja til &alle"},
    {"QPlatformTheme", "&No", "&Nei"},
    {"QPlatformTheme", "N&o to All", "N&ei til alle"},
    {"QPlatformTheme", "Abort", "Avbryt"},
    {"QPlatformTheme", "Retry", "Prøv igjen"},
    {"QPlatformTheme", "Ignore", "Ignorer"},
    {"QPlatformTheme", "Close", "Lukk"},
    {"QPlatformTheme", "Cancel", "Avbryt"},
    {"QPlatformTheme", "Discard", "Forkast"},
    {"QPlatformTheme", "Help", "Hjelp"},
    {"QPlatformTheme", "Apply", "Bruk"},
    {"QPlatformTheme", "Reset", "Tilbakestill"},
    {"QPlatformTheme", "Restore Defaults", "Gjenopprett standard"},
    {"QFileDialog", "Look in:", "Se i:"},
    {"QFileDialog", "File &name:", "Fil&navn:"},
    {"QFileDialog", "Files of type:", "Filer av typen:"},
    {"QFileDialog", "&Open", "&Åpne"},
    {"QFileDialog", "&Save", "&Lagre"},
    {"QFileDialog", "&Choose", "&Velg"},
    {"QFileDialog", "Open", "Åpne"},
    {"QFileDialog", "Save As", "Lagre som"},
    {"QFileDialog", "Back", "Tilbake"},
    {"QFileDialog", "Go back", "Gå tilbake"},
    {"QFileDialog", "Forward", "Fremover"},
    {"QFileDialog", "Go forward", "Gå fremover"},
    {"QFileDialog", "Parent Directory", "Overordnet mappe"},
    {"QFileDialog", "Go to the parent directory", "Gå til overordnet mappe"},
    {"QFileDialog", "Create New Folder", "Lag ny mappe"},
    {"QFileDialog", "Create a New Folder", "Lag en ny mappe"},
    {"QFileDialog", "List View", "Listevisning"},
    {"QFileDialog", "Change to list view mode", "Bytt til listevisning"},
    {"QFileDialog", "Detail View", "Detaljvisning"},
    {"QFileDialog", "Change to detail view mode", "Bytt til detaljvisning"},
    {"QFileDialog", "Sidebar", "Sidepanel"},
    {"QFileDialog", "List of places and bookmarks", "Liste over steder og bokmerker"},
    {"QFileDialog", "Files", "Filer"},
    {"QFileDialog", "All Files (*)", "Alle filer (*)"},
    {"QFileDialog", "&Rename", "&Gi nytt navn"},
    {"QFileDialog", "&Delete", "&Slett"},
    {"QFileDialog", "Show &hidden files", "Vis &skjulte filer"},
    {"QFileDialog", "&New Folder", "&Ny mappe"},
    {"QFileDialog", "New Folder", "Ny mappe"},
    {"QFileDialog", "Recent Places", "Nylig brukte steder"},
    {"QFileDialog", "Directory:", "Mappe:"},
    {"QFileDialog", "Delete", "Slett"},
    {"QFileDialog", "Are you sure you want to delete '%1'?",
     "Er du sikker på at du vil slette «%1»?"},
    {"QFileDialog", "'%1' is write protected.\nDo you want to delete it anyway?",
     "«%1» er skrivebeskyttet.\nVil du slette den likevel?"},
    {"QFileDialog", "Could not delete directory.", "Kunne ikke slette mappen."},
    {"QFileDialog", "%1 already exists.\nDo you want to replace it?",
     "%1 finnes fra før.\nVil du erstatte den?"},
    {"QFileDialog", "%1\nFile not found.\nPlease verify the correct file name was given.",
     "%1\nFant ikke filen.\nKontroller at riktig filnavn er oppgitt."},
    {"QFileDialog", "%1\nDirectory not found.\nPlease verify the correct directory name was given.",
     "%1\nFant ikke mappen.\nKontroller at riktig mappenavn er oppgitt."},
    {"QFileSystemModel", "Name", "Navn"},
    {"QFileSystemModel", "Size", "Størrelse"},
    {"QFileSystemModel", "Type", "Type"},
    {"QFileSystemModel", "Date Modified", "Endret"},
    {"QFileSystemModel", "Computer", "Datamaskin"},
    {"QFileSystemModel", "My Computer", "Min datamaskin"},
    {"QFileSystemModel", "Invalid filename", "Ugyldig filnavn"},
    {"QAbstractFileIconProvider", "Drive", "Stasjon"},
    {"QAbstractFileIconProvider", "Folder", "Mappe"},
    {"QAbstractFileIconProvider", "File", "Fil"},
    {"QAbstractFileIconProvider", "%1 File", "%1-fil"},
    {"QLineEdit", "&Undo", "&Angre"},
    {"QLineEdit", "&Redo", "&Gjør om"},
    {"QLineEdit", "Cu&t", "Klipp &ut"},
    {"QLineEdit", "&Copy", "&Kopier"},
    {"QLineEdit", "&Paste", "&Lim inn"},
    {"QLineEdit", "Delete", "Slett"},
    {"QLineEdit", "Select All", "Merk alt"},
    {"QWidgetTextControl", "&Undo", "&Angre"},
    {"QWidgetTextControl", "&Redo", "&Gjør om"},
    {"QWidgetTextControl", "Cu&t", "Klipp &ut"},
    {"QWidgetTextControl", "&Copy", "&Kopier"},
    {"QWidgetTextControl", "Copy &Link Location", "Kopier &lenkeadresse"},
    {"QWidgetTextControl", "&Paste", "&Lim inn"},
    {"QWidgetTextControl", "Delete", "Slett"},
    {"QWidgetTextControl", "Select All", "Merk alt"},
    {"QMessageBox", "Show Details...", "Vis detaljer …"},
    {"QMessageBox", "Hide Details...", "Skjul detaljer …"},
};

class BokmalTranslator : public QTranslator {
public:
    BokmalTranslator() {
        for (const Translation& text : bokmalTexts)
            texts_.emplace(std::make_pair(std::string(text.context), std::string(text.source)),
                           text.bokmal);
    }
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override {
        if (!context || !source) return {};
        auto found = texts_.find({context, source});
        return found == texts_.end() ? QString() : QString::fromUtf8(found->second);
    }

private:
    std::map<std::pair<std::string, std::string>, const char*> texts_;
};

}  // namespace

QtTranslations::QtTranslations() : bokmal_(std::make_unique<BokmalTranslator>()) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* file : {"qtbase_nb", "qtbase_no", "qtbase_nn"}) {
        if (system_.load(file, folder)) {
            systemFound_ = true;
            break;
        }
    }
}

QtTranslations::~QtTranslations() {
    follow(lang::Language::English);
}

void QtTranslations::follow(lang::Language language) {
    const bool norwegian = language == lang::Language::Norwegian;
    if (norwegian == installed_ || !QCoreApplication::instance()) return;
    if (norwegian) {
        // The one installed last is asked first.
        if (systemFound_) QCoreApplication::installTranslator(&system_);
        QCoreApplication::installTranslator(bokmal_.get());
    } else {
        QCoreApplication::removeTranslator(bokmal_.get());
        if (systemFound_) QCoreApplication::removeTranslator(&system_);
    }
    installed_ = norwegian;
}

}  // namespace kvt::desktop
