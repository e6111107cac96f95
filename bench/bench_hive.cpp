// Reading and writing a generated 10 MB hive in Wine's text format.
// Run: cmake --build build --target bench_hive && build/bin/bench_hive [megabytes]

#include "platform/HiveFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <cstdio>

using namespace platform;

namespace {

// Keys and values shaped like a real prefix: CLSID-like paths, strings with
// escapes, numbers, and binary values long enough to wrap.
HiveFile generate(qsizetype targetBytes) {
    QRandomGenerator rng(2024);
    HiveFile h;
    h.setRelativeTo(QStringLiteral("REGISTRY\\Machine"));
    qsizetype approx = 0;
    for (int i = 0; approx < targetBytes; ++i) {
        const QString path =
            QStringLiteral("Software\\Classes\\CLSID\\{%1-%2-11D0-8FF2-00A0D10038BC}\\"
                           "InprocServer%3")
                .arg(rng.generate(), 8, 16, QChar(u'0'))
                .arg(i % 65536, 4, 16, QChar(u'0'))
                .arg(i % 3);
        HiveKey& k = h.key(path);
        k.setValue(
            RegValue::string(QString(), QStringLiteral("C:\\windows\\system32\\x%1.dll").arg(i)));
        k.setValue(
            RegValue::string(QStringLiteral("ThreadingModel"), QStringLiteral("Both \"q\"")));
        k.setValue(RegValue::dword(QStringLiteral("Flags"), rng.generate()));
        QByteArray blob(int(rng.bounded(200)), Qt::Uninitialized);
        for (char& c : blob)
            c = char(rng.bounded(256));
        k.setValue(RegValue::binary(QStringLiteral("Data"), blob));
        approx += path.size() + 160 + blob.size() * 3;
    }
    return h;
}

template <typename F> double bestOf(int runs, F&& f) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        best = std::min(best, t.nsecsElapsed() / 1e9);
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const qsizetype mb = argc > 1 ? QByteArray(argv[1]).toLongLong() : 10;
    const QByteArray text = generate(mb * 1024 * 1024).serialize();
    const double mib = double(text.size()) / (1024.0 * 1024.0);

    qsizetype keys = 0;
    int skipped = 0;
    const double read = bestOf(5, [&] {
        const HiveFile h = HiveFile::parse(text);
        keys = h.keyCount();
        skipped = h.skippedLines();
    });
    const HiveFile h = HiveFile::parse(text);
    QByteArray again;
    const double write = bestOf(5, [&] { again = h.serialize(); });
    const double lookup = bestOf(5, [&] {
        for (const auto& k : h.findKey(u"SOFTWARE\\classes\\clsid")->subKeys())
            (void)h.findKey(QStringLiteral("software\\CLASSES\\clsid\\") + k->name());
    });

    std::printf("hive: %.1f MiB, %lld keys, %d skipped lines, written back %s\n", mib,
                static_cast<long long>(keys), skipped, again == text ? "identical" : "DIFFERENT");
    std::printf("read:   %.3f s  (%.0f MiB/s)\n", read, mib / read);
    std::printf("write:  %.3f s  (%.0f MiB/s)\n", write, mib / write);
    std::printf("lookup: %.3f s  for every CLSID key by path, without regard to case\n", lookup);
    return 0;
}
