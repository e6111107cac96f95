// The key derivation of encrypted entries: the published PBKDF2-HMAC-SHA1 vectors, and
// libcrypto's general routine where the library's own loop takes other paths (several blocks
// side by side, more blocks than chains, a password longer than the HMAC block).

// The routine is internal to the library; its one source is compiled in here.
#include "Pbkdf2.cpp"

#include <openssl/evp.h>

#include <QTest>

class TestSqxKeys : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void derivesTheKnownKeys_data() {
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<QByteArray>("salt");
        QTest::addColumn<uint>("rounds");
        QTest::addColumn<int>("size");
        QTest::addColumn<QByteArray>("expected"); // hex; empty: what libcrypto derives
        const QByteArray pw("password"), salt("salt"), none;
        // RFC 6070 (its 16,777,216-round vector is left out: seconds of CPU for no new path).
        QTest::newRow("1 round") << pw << salt << 1u << 20
                                 << QByteArray("0c60c80f961f0e71f3a9b524af6012062fe037a6");
        QTest::newRow("2 rounds") << pw << salt << 2u << 20
                                  << QByteArray("ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957");
        QTest::newRow("4096 rounds")
            << pw << salt << 4096u << 20 << QByteArray("4b007901b765489abead49d926f721d065a429c1");
        QTest::newRow("two blocks")
            << QByteArray("passwordPASSWORDpassword")
            << QByteArray("saltSALTsaltSALTsaltSALTsaltSALTsalt") << 4096u << 25
            << QByteArray("3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038");
        QTest::newRow("NUL inside")
            << QByteArray("pass\0word", 9) << QByteArray("sa\0lt", 5) << 4096u << 16
            << QByteArray("56fa6aa75548099dcc37d7f03425e0c3");
        QTest::newRow("an entry's keys") << pw << QByteArray(16, '\x5a') << 1000u << 66 << none;
        QTest::newRow("more blocks than chains") << pw << salt << 3u << 101 << none;
        QTest::newRow("long password") << QByteArray(100, 'k') << salt << 1000u << 66 << none;
        QTest::newRow("empty password") << QByteArray() << salt << 1000u << 32 << none;
    }
    void derivesTheKnownKeys() {
        QFETCH(QByteArray, password);
        QFETCH(QByteArray, salt);
        QFETCH(uint, rounds);
        QFETCH(int, size);
        QFETCH(QByteArray, expected);
        const auto* s = reinterpret_cast<const uint8_t*>(salt.constData());
        if (expected.isEmpty()) {
            QByteArray theirs(size, '\0');
            QVERIFY(PKCS5_PBKDF2_HMAC(password.constData(), int(password.size()), s,
                                      int(salt.size()), int(rounds), EVP_sha1(), size,
                                      reinterpret_cast<uint8_t*>(theirs.data())) == 1);
            expected = theirs.toHex();
        }
        QByteArray key(size, '\0');
        QVERIFY(sqx::pbkdf2Sha1(password.toStdString(), s, size_t(salt.size()), rounds,
                                reinterpret_cast<uint8_t*>(key.data()), size_t(size)));
        QCOMPARE(key.toHex(), expected);
    }
};

QTEST_GUILESS_MAIN(TestSqxKeys)
#include "tst_sqxkeys.moc"
