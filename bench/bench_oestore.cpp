// Writes a Wine prefix with a large Outlook Express installation, for timing backups.
//
//   bench_oestore <folder> <megabytes> [identities=4]
//
// <folder> gets prefix/, config/, home/ and tmp/ as the bundled sample has them. Each identity
// (at most 20; the first ones hold the most mail) has its store either under its profile path
// with "%UserProfile%" or in a plain folder, with the usual mailboxes and some of its own, an
// index of them, the POP3 list and the offline file; the address book and the stationery come
// once. The stores are real .dbx files (undbx reads every message back). Mailboxes differ in what
// they mostly hold (mailing lists are all text, the family folder is mostly photos), so the store
// compresses as a real one does: partly. The mail files are the same byte for byte on every run
// with the same arguments. <folder>/sources.txt lists, relative to drive_c, the folders that a
// backup of the installation archives, for the comparison with other archivers.

#include "oestore/MailComposer.h"
#include "oestore/Rng.h"
#include "support/DbxWriter.h"
#include "support/SamplePrefix.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <array>
#include <cstdio>

using namespace oestore;
using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;
using platform::RegValue;

namespace {

struct FolderPlan {
    const char* name;
    double weight;
    double textShare; // of the folder's bytes; the rest are attachments
};
const FolderPlan kFolders[] = {
    {"Inbox", 30, 0.45},  {"Sent Items", 15, 0.5},    {"Deleted Items", 8, 0.6}, {"Drafts", 1, 0.8},
    {"Outbox", 0.5, 0.9}, {"Mailing lists", 12, 1.0}, {"Projects", 14, 0.25},    {"Family", 8, 0.2},
    {"Invoices", 6, 0.3}, {"Archive 2003", 5.5, 0.5},
};
// How the attachment bytes divide: already-compressed files, text documents, raw binary parts.
const double kAttachmentShares[] = {0.6, 0.15, 0.25};

struct IdentityPlan {
    QString name;
    QString folder; // ASCII, for stores in a plain folder
    bool underProfile;
};

IdentityPlan identityPlan(int i) {
    static const char16_t* const names[] = {u"Ann", u"Bj\u00f6rn", u"Chlo\u00e9 Martin",
                                            u"Dev", u"Eva",        u"Farid"};
    if (i < 6) {
        const QString n = QString::fromUtf16(names[i]);
        QString ascii = n;
        ascii.replace(u'\u00f6', u'o').replace(u'\u00e9', u'e').remove(u' ');
        return {n, ascii, i % 2 == 0};
    }
    const QString n = QStringLiteral("Mailbox %1").arg(i + 1);
    return {n, QStringLiteral("Mailbox%1").arg(i + 1), i % 2 == 0};
}

struct Stats {
    std::array<qint64, size_t(Sort::Count)> bytes{};
    qint64 files = 0;
    qint64 fileBytes = 0;
    qint64 messages = 0;
    bool ok = true;

    qint64 total() const {
        qint64 t = 0;
        for (qint64 b : bytes)
            t += b;
        return t;
    }
};

// One mailbox of about `target` bytes. The sort furthest below its share of the bytes written
// so far comes next, so the mix is right in small folders too.
qint64 writeMailbox(const QString& path, MailComposer& composer, qint64 target, double textShare,
                    Stats& stats) {
    std::array<double, size_t(Sort::Count)> share{textShare};
    for (size_t k = 1; k < share.size(); ++k)
        share[k] = (1 - textShare) * kAttachmentShares[k - 1];
    std::array<qint64, size_t(Sort::Count)> written{};
    qint64 total = 0, messages = 0;
    support::DbxWriter dbx(path, support::DbxWriter::Kind::Messages);
    while (dbx.size() < target) {
        size_t pick = 0;
        double most = -1e300;
        for (size_t k = 0; k < share.size(); ++k) {
            const double deficit = share[k] * double(total + 1) - double(written[k]);
            if (share[k] > 0 && deficit > most) {
                most = deficit;
                pick = k;
            }
        }
        const QByteArray m = composer.message(Sort(pick), target - dbx.size());
        // Mostly read, some answered, forwarded or flagged, as a person leaves a folder.
        const quint32 status[] = {support::DbxWriter::Read,
                                  support::DbxWriter::Read,
                                  support::DbxWriter::Read | support::DbxWriter::Answered,
                                  support::DbxWriter::Read | support::DbxWriter::Forwarded,
                                  0,
                                  support::DbxWriter::Read | support::DbxWriter::Marked};
        dbx.addMessage(m, status[messages % 6], composer.received());
        written[pick] += m.size();
        total += m.size();
        ++messages;
    }
    stats.fileBytes += dbx.size();
    stats.ok = dbx.finish() && stats.ok;
    for (size_t k = 0; k < written.size(); ++k)
        stats.bytes[k] += written[k];
    stats.messages += messages;
    ++stats.files;
    return messages;
}

// The folder index, the POP3 list and the offline file beside the mailboxes.
void writeStoreFiles(const QString& dir, qint64 inboxMessages, Rng& rng, Stats& stats) {
    using support::DbxWriter;
    DbxWriter folders(dir + QStringLiteral("/Folders.dbx"), DbxWriter::Kind::Folders);
    folders.addFolder(0, 0xFFFFFFFF, "Outlook Express", {});
    folders.addFolder(1, 0, "Local Folders", {});
    quint32 id = 2;
    for (const FolderPlan& f : kFolders) {
        const QByteArray name(f.name);
        folders.addFolder(id++, 1, name, name + ".dbx");
    }
    DbxWriter uidl(dir + QStringLiteral("/Pop3uidl.dbx"), DbxWriter::Kind::Pop3Uidl);
    for (qint64 i = 0; i < inboxMessages; ++i)
        uidl.addRecord(quint32(i + 1), "UID" + QByteArray::number(rng.next(), 16));
    DbxWriter offline(dir + QStringLiteral("/Offline.dbx"), DbxWriter::Kind::Offline);
    stats.fileBytes += folders.size() + uidl.size() + offline.size();
    stats.ok = folders.finish() && uidl.finish() && offline.finish() && stats.ok;
    stats.files += 3;
}

QString guid(Rng& rng) {
    const quint64 a = rng.next(), b = rng.next();
    return QStringLiteral("{%1-%2-4%3-8%4-%5}")
        .arg(a >> 32, 8, 16, QLatin1Char('0'))
        .arg((a >> 16) & 0xFFFF, 4, 16, QLatin1Char('0'))
        .arg((a >> 4) & 0xFFF, 3, 16, QLatin1Char('0'))
        .arg(b >> 52, 3, 16, QLatin1Char('0'))
        .arg(b & 0xFFFFFFFFFFFFull, 12, 16, QLatin1Char('0'))
        .toUpper();
}

// The identity's keys: its name, store root, view settings, signatures, rules and accounts.
void writeIdentityKeys(support::SamplePrefix& p, const QString& key, const IdentityPlan& plan,
                       const QString& storeRoot) {
    const QString id = QStringLiteral("identities\\") + key;
    const QString oe = id + QStringLiteral("\\Software\\Microsoft\\Outlook Express\\5.0");
    p.setString(HKEY_CURRENT_USER, id, QStringLiteral("Username"), plan.name);
    p.setString(HKEY_CURRENT_USER, id, QStringLiteral("User ID"), key);
    p.setValue(HKEY_CURRENT_USER, oe,
               RegValue::string(QStringLiteral("Store Root"), storeRoot, platform::REG_EXPAND_SZ));
    p.setDword(HKEY_CURRENT_USER, oe + QStringLiteral("\\Mail"),
               QStringLiteral("Show Hidden Folders"), 1);
    p.setString(HKEY_CURRENT_USER, oe + QStringLiteral("\\Columns"), QStringLiteral("Mail"),
                QStringLiteral("widths 120 240 80"));
    for (int s = 0; s < 2; ++s) {
        const QString sig = oe + QStringLiteral("\\Signatures\\0000000%1").arg(s);
        p.setString(HKEY_CURRENT_USER, sig, QStringLiteral("name"),
                    QStringLiteral("Signature #%1").arg(s + 1));
        p.setString(HKEY_CURRENT_USER, sig, QStringLiteral("text"),
                    QStringLiteral("Regards,\r\n") + plan.name);
    }
    for (int r = 0; r < 3; ++r)
        p.setString(HKEY_CURRENT_USER, oe + QStringLiteral("\\Rules\\Mail\\00%1").arg(r),
                    QStringLiteral("Name"), QString::fromLatin1(kFolders[5 + r].name));
    p.setString(HKEY_CURRENT_USER, oe + QStringLiteral("\\Block Senders\\Mail\\Criteria\\0"),
                QStringLiteral("Value"), QStringLiteral("offers@example.com"));
    for (int a = 1; a <= 2; ++a) {
        const QString acc = id + QStringLiteral("\\Software\\Microsoft\\Internet Account "
                                                "Manager\\Accounts\\0000000%1")
                                     .arg(a);
        p.setString(HKEY_CURRENT_USER, acc, QStringLiteral("Account Name"),
                    plan.folder + QStringLiteral(" mail %1").arg(a));
        p.setString(HKEY_CURRENT_USER, acc, QStringLiteral("POP3 Server"),
                    QStringLiteral("pop%1.example.net").arg(a));
        p.setString(HKEY_CURRENT_USER, acc, QStringLiteral("SMTP Server"),
                    QStringLiteral("smtp.example.net"));
        p.setString(HKEY_CURRENT_USER, acc, QStringLiteral("SMTP Email Address"),
                    plan.folder.toLower() + QStringLiteral("@example.net"));
    }
}

// The address book: contacts in UTF-16 records, padded to the file's page size.
void writeAddressBook(const QString& path, qint64 size, Rng& rng, Stats& stats) {
    QByteArray wab("\x9c\xcb\xcb\x8d\x13\x75\xd2\x11\x91\x58\x00\xc0\x4f\x79\x56\xa4", 16);
    wab.resize(0x800, '\0');
    for (int i = 0; wab.size() < size; ++i) {
        const QString contact = QStringLiteral("Contact %1").arg(i) + QChar(0) +
                                QStringLiteral("contact%1@example.org").arg(i) + QChar(0) +
                                QStringLiteral("+49 30 %1").arg(rng.below(10000000)) + QChar(0);
        wab += QByteArray(reinterpret_cast<const char*>(contact.utf16()), contact.size() * 2);
        wab.resize((wab.size() + 0xFF) & ~qsizetype(0xFF), '\0');
    }
    QFile f(path);
    stats.ok = f.open(QIODevice::WriteOnly) && f.write(wab) == wab.size() && stats.ok;
    stats.bytes[size_t(Sort::Document)] += wab.size();
    stats.fileBytes += wab.size();
    ++stats.files;
}

void writeStationery(support::SamplePrefix& p, const QString& folder, Rng& rng, Stats& stats) {
    static const char* const names[] = {"Ivy",     "Chess",  "Citrus Punch", "Clear Day", "Garden",
                                        "Glacier", "Leaves", "Maize",        "Pie Chart", "Tiki"};
    for (const char* n : names) {
        const QString base = folder + u'\\' + QLatin1String(n);
        const QByteArray image = rng.bytes(rng.logUniform(8 << 10, 160 << 10));
        const QByteArray page = "<HTML><HEAD><STYLE>BODY { font-family: Arial; }</STYLE></HEAD>"
                                "<BODY background=\"" +
                                QByteArray(n) + ".jpg\"><P>&nbsp;</P></BODY></HTML>\r\n";
        stats.ok = !p.writeFile(base + QStringLiteral(".htm"), page).isEmpty() &&
                   !p.writeFile(base + QStringLiteral(".jpg"), image).isEmpty() && stats.ok;
        stats.bytes[size_t(Sort::Text)] += page.size();
        stats.bytes[size_t(Sort::Packed)] += image.size();
        stats.fileBytes += page.size() + image.size();
        stats.files += 2;
    }
}

// The drive_c-relative form of a host path below the prefix, for sources.txt.
QString relativeToDriveC(const support::SamplePrefix& p, const QString& host) {
    const QString root = p.prefixDir() + QStringLiteral("/drive_c/");
    return host.startsWith(root) ? host.mid(root.size()) : host;
}

int usage() {
    std::fputs("usage: bench_oestore <folder> <megabytes> [identities=4, at most 20]\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2 || args.size() > 3) return usage();
    bool okSize = false, okCount = true;
    const qint64 megabytes = args[1].toLongLong(&okSize);
    const int identities = args.size() > 2 ? args[2].toInt(&okCount) : 4;
    if (!okSize || !okCount || megabytes <= 0 || megabytes > 100000 || identities < 1 ||
        identities > 20)
        return usage();
    if (QFileInfo::exists(args[0] + QStringLiteral("/prefix"))) {
        std::fprintf(stderr, "bench_oestore: %s already holds a prefix\n", qPrintable(args[0]));
        return 2;
    }

    support::SamplePrefix p(args[0]);
    Rng rng(0x0E570E);
    Stats stats;
    QStringList sources;
    const QString profile = QStringLiteral("C:\\users\\") + p.userName();
    const qint64 total = megabytes << 20;
    const qint64 wabSize = qMax<qint64>(256 << 10, total / 300);

    double identityWeights = 0, folderWeights = 0;
    for (int i = 0; i < identities; ++i)
        identityWeights += 1.0 / (i + 1);
    for (const FolderPlan& f : kFolders)
        folderWeights += f.weight;
    const qint64 storeBytes = total - wabSize - (1 << 20); // about a MiB of stationery

    QStringList keys;
    for (int i = 0; i < identities; ++i) {
        const IdentityPlan plan = identityPlan(i);
        const QString key = guid(rng);
        keys << key;
        const QString relative =
            QStringLiteral("\\Local Settings\\Application Data\\Identities\\") + key +
            QStringLiteral("\\Microsoft\\Outlook Express");
        const QString storeRoot = plan.underProfile
                                      ? QStringLiteral("%UserProfile%") + relative
                                      : QStringLiteral("C:\\Mail\\") + plan.folder + u'\\';
        const QString store = plan.underProfile ? profile + relative : storeRoot;
        writeIdentityKeys(p, key, plan, storeRoot);
        const QString dir = p.makeDir(store);
        if (dir.isEmpty()) return 1;
        sources << relativeToDriveC(p, dir);

        MailComposer composer(
            rng.next(), {plan.name.toUtf8(), plan.folder.toLower().toUtf8() + "@example.net"});
        const double identityShare = 1.0 / (i + 1) / identityWeights;
        qint64 inbox = 0;
        for (const FolderPlan& f : kFolders) {
            const auto target =
                qint64(double(storeBytes) * identityShare * f.weight / folderWeights);
            const qint64 n =
                writeMailbox(dir + u'/' + QLatin1String(f.name) + QStringLiteral(".dbx"), composer,
                             target, f.textShare, stats);
            if (QByteArray(f.name) == "Inbox") inbox = n;
        }
        writeStoreFiles(dir, inbox, rng, stats);
    }
    p.setString(HKEY_CURRENT_USER, QStringLiteral("identities"), QStringLiteral("Default User ID"),
                keys.front());
    p.setString(HKEY_CURRENT_USER, QStringLiteral("identities"), QStringLiteral("Last User ID"),
                keys.front());
    p.setString(HKEY_CURRENT_USER,
                QStringLiteral("Software\\Microsoft\\Internet Account Manager\\Accounts\\00000099"),
                QStringLiteral("Account Name"), QStringLiteral("News"));

    const QString wabFolder =
        profile + QStringLiteral("\\AppData\\Roaming\\Microsoft\\Address Book");
    const QString wabFile = wabFolder + u'\\' + p.userName() + QStringLiteral(".wab");
    p.setString(HKEY_CURRENT_USER, QStringLiteral("Software\\Microsoft\\WAB\\WAB4\\Wab File Name"),
                QString(), wabFile);
    p.setString(HKEY_CURRENT_USER, QStringLiteral("Software\\Microsoft\\WAB\\WAB4"),
                QStringLiteral("FirstRun"), QStringLiteral("no"));
    const QString wabDir = p.makeDir(wabFolder);
    if (wabDir.isEmpty()) return 1;
    writeAddressBook(wabDir + u'/' + p.userName() + QStringLiteral(".wab"), wabSize, rng, stats);
    sources << relativeToDriveC(p, wabDir);

    p.setString(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\Stationery"),
                QStringLiteral("Stationery Folder"),
                QStringLiteral("%ProgramFiles%\\Common Files\\Microsoft Shared\\Stationery"));
    const QString stationery =
        QStringLiteral("C:\\Program Files\\Common Files\\Microsoft Shared\\Stationery");
    writeStationery(p, stationery, rng, stats);
    sources << relativeToDriveC(p, p.hostPath(stationery));
    p.save();

    QFile list(p.root() + QStringLiteral("/sources.txt"));
    stats.ok = list.open(QIODevice::WriteOnly) &&
               list.write((sources.join(u'\n') + u'\n').toUtf8()) > 0 && stats.ok;
    if (!stats.ok) {
        std::fprintf(stderr, "bench_oestore: cannot write the store into %s\n",
                     qPrintable(args[0]));
        return 1;
    }
    const double all = double(stats.total());
    const auto percent = [&](Sort s) { return 100.0 * double(stats.bytes[size_t(s)]) / all; };
    QTextStream(stdout) << QStringLiteral("%1 MiB in %2 files, %3 messages, %4 identities; of the "
                                          "data: text %5 %, packed %6 %, documents %7 %, "
                                          "binary %8 %\n")
                               .arg(double(stats.fileBytes) / (1 << 20), 0, 'f', 1)
                               .arg(stats.files)
                               .arg(stats.messages)
                               .arg(identities)
                               .arg(percent(Sort::Text), 0, 'f', 0)
                               .arg(percent(Sort::Packed), 0, 'f', 0)
                               .arg(percent(Sort::Document), 0, 'f', 0)
                               .arg(percent(Sort::Binary), 0, 'f', 0);
    return 0;
}
