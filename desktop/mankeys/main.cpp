// Writes the KEYS section of the man page, in help2man's include format,
// from the player's own key table: the page lists exactly the keys the window
// takes, in the order its key help shows them. Run by the build when it makes
// the man page (desktop/CMakeLists.txt).
//
//   vialumo-mankeys OUTPUT

#include "console/ukeybindings.h"

#include <QSaveFile>
#include <QString>
#include <QTextStream>

#include <cstdio>

namespace {

// Text for a roff text line: a backslash is roff's escape character, and a
// line that starts with a dot or an apostrophe would be read as a request.
QString RoffText(QString Text)
{
    Text.replace(QLatin1Char('\\'), QStringLiteral("\\e"));
    if (Text.startsWith(QLatin1Char('.')) || Text.startsWith(QLatin1Char('\'')))
        Text.prepend(QStringLiteral("\\&"));
    return Text;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: vialumo-mankeys OUTPUT\n");
        return 2;
    }
    QSaveFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        std::fprintf(stderr, "vialumo-mankeys: %s\n", qPrintable(file.errorString()));
        return 1;
    }
    QTextStream out(&file);
    out << "[KEYS]\n"
           "The keys act on the player's window, whichever of its parts has the focus.\n";
    for (const UKeyHelpLine &line : UKeyBindings::HelpLines()) {
        // The keys in bold (\fB ... \fR, so that the line never starts a
        // request), the text as the key help shows it.
        out << ".TP\n\\fB" << RoffText(line.Keys) << "\\fR\n" << RoffText(line.Text) << '\n';
    }
    out.flush();
    if (out.status() != QTextStream::Ok || !file.commit()) {
        std::fprintf(stderr, "vialumo-mankeys: %s\n", qPrintable(file.errorString()));
        return 1;
    }
    return 0;
}
