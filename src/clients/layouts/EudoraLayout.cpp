#include "clients/layouts/EudoraLayout.h"

#include "platform/Files.h"

namespace clients {

namespace {
using L = EudoraLayout;
constexpr FileRow kFiles[] = {
    {L::kAccounts, "Spool", "*"},     {L::kAccounts, "eudora.ini", nullptr, true},
    {L::kFilters, "Filters", "*"},    {L::kFilters, "filters.pce"},
    {L::kSignatures, "Sigs", "*"},    {L::kAddressBook, "nndbase.toc"},
    {L::kAddressBook, "nndbase.txt"},
};
constexpr const char* kMailboxExtensions[] = {"mbx", "toc", "pce"};

// Beyond this many blanks the line is no command line Eudora wrote; only the
// plain cut is tried, so a hostile value cannot start a long search.
constexpr int kMaxBlanksSearched = 32;

QString withoutQuotesAndBackslash(QString text) {
    text = text.trimmed();
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        text = text.mid(1, text.size() - 2);
    while (text.size() > 2 && text.endsWith(QLatin1Char('\\'))) // "C:\Eudora\" and "C:\"
        text.chop(1);
    return text;
}
} // namespace

QString EudoraLayout::commandLineKey() {
    return QStringLiteral("SOFTWARE\\Qualcomm\\Eudora\\CommandLine\\Current");
}

QString EudoraLayout::dataFolderOf(const QString& commandLine, const platform::Files& fs) {
    QList<qsizetype> blanks;
    for (qsizetype i = 0; i < commandLine.size(); ++i) {
        if (commandLine.at(i) == QLatin1Char(' ')) blanks << i;
    }
    const QString cut =
        blanks.size() < 2 ? commandLine : commandLine.mid(blanks[0] + 1, blanks[1] - blanks[0] - 1);
    const QString plain = withoutQuotesAndBackslash(cut);
    if (blanks.size() > kMaxBlanksSearched || (hasDrive(plain) && fs.directoryExists(plain)))
        return plain;
    // The program path (or the folder) holds blanks: the first run of words that
    // names an existing folder, after the program's own path if possible.
    QList<qsizetype> bounds{-1};
    bounds << blanks << commandLine.size();
    for (qsizetype i = 0; i + 1 < bounds.size(); ++i) {
        for (qsizetype j = i + 1; j < bounds.size(); ++j) {
            const QString run = withoutQuotesAndBackslash(
                commandLine.mid(bounds[i] + 1, bounds[j] - bounds[i] - 1));
            if (hasDrive(run) && fs.directoryExists(run)) return run;
        }
    }
    return plain;
}

std::span<const FileRow> EudoraLayout::files() {
    return kFiles;
}

std::span<const char* const> EudoraLayout::mailboxExtensions() {
    return kMailboxExtensions;
}

} // namespace clients
