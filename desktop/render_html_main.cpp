// A developer's tool: renders an HTML results list as Qt's rich text shows it, into a PNG.
//   kvt_render_html LIST.htm OUTPUT.png
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTextBrowser>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: kvt_render_html LIST.htm OUTPUT.png\n";
        return 2;
    }
    QApplication application(argc, argv);
    QFile file(argv[1]);
    if (!file.open(QIODevice::ReadOnly)) return 1;
    QStringDecoder fromWindows1252("Windows-1252");
    QString html = fromWindows1252(file.readAll());
    QTextBrowser view;
    view.setSearchPaths({QFileInfo(argv[1]).absolutePath()});
    view.setHtml(html);
    view.resize(700, 620);
    view.show();
    QApplication::processEvents();
    return view.grab().save(argv[2]) ? 0 : 1;
}
