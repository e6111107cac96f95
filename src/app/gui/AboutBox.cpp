#include "app/gui/AboutBox.h"

#include "app/gui/Artwork.h"
#include "lang/CaptionTranslator.h"
#include "lang/MessageTable.h"
#include "ui_AboutBox.h"

namespace app {

AboutBox::AboutBox(QWidget* parent, lang::CaptionTranslator* lng,
                   std::function<QString(const QString&)> message)
    : QDialog(parent), ui_(std::make_unique<Ui::AboutBox>()), message_(std::move(message)) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(size());
    const QIcon icon = AppIcon();
    setWindowIcon(icon);
    ui_->Image1->setPixmap(icon.pixmap(64, 64));
    showLicences();
    captions_ = clients::WidgetCaptionControl::controlsOf(this);
    connect(ui_->Button1, &QPushButton::clicked, this, &QDialog::accept);
    if (lng && !lng->FileName().isEmpty()) lng->Translate({this});
}

AboutBox::~AboutBox() = default;

int AboutBox::ShowModal() {
    showLicences(); // the language may have changed since the box was made
    return exec();
}

void AboutBox::showLicences() {
    QString text =
        lang::orEnglish(message_ ? message_(QStringLiteral("AboutLicences")) : QString(), {});
    if (text.isEmpty())
        text = LicenceText();
    else // the language file's lines end in CR LF
        text = text.replace(QLatin1String("\r\n"), QLatin1String("\n"))
                   .arg(QString::fromLatin1(qVersion()));
    ui_->Memo1->setPlainText(text);
}

std::vector<lang::CaptionControl*> AboutBox::controls() const {
    return clients::CaptionPointers(captions_);
}

QString AboutBox::LicenceText() {
    // The libraries linked into the program and its archiving library, with
    // the Qt version it runs with.
    return QStringLiteral(
               "Postora uses these libraries; each keeps its own licence.\n\n"
               "Qt %1 (Core, Gui, Widgets)\n"
               "  GNU Lesser General Public License, version 3 (LGPLv3).\n"
               "  Copyright (C) The Qt Company Ltd. and other contributors.\n\n"
               "libdeflate 1.23 - Deflate compression of new archives (built in)\n"
               "  MIT licence. Copyright 2016 Eric Biggers, Copyright 2024 Google LLC.\n"
               "  Its licence text is installed as libdeflate-COPYING beside this program's "
               "documentation.\n\n"
               "OpenSSL libcrypto - the AES-256 encryption of protected archives\n"
               "  Apache License 2.0. Copyright (c) The OpenSSL Project Authors.\n\n"
               "libarchive - reads the ZIP archives (lists, tests, restores)\n"
               "  BSD 2-clause licence. Copyright (c) Tim Kientzle and contributors.\n\n"
               "Nettle - the AES decryption of protected archives (through libarchive)\n"
               "  GNU LGPLv3 or later, or GNU GPLv2 or later.\n\n"
               "zlib - Deflate decompression and checksums\n"
               "  zlib licence. Copyright (C) Jean-loup Gailly and Mark Adler.\n\n"
               "libxcb - the window list of the X desktop\n"
               "  MIT/X11 licence. Copyright (C) Bart Massey, Jamey Sharp and others.\n\n"
               "Libraries that libarchive and Qt bring along: liblzma (0BSD / public "
               "domain), zstd (BSD), lz4 (BSD 2-clause), bzip2 (BSD-style), libxml2 (MIT), "
               "ICU (Unicode licence), libacl (LGPL 2.1 or later), GLib (LGPL 2.1 or later), "
               "PCRE2 (BSD), double-conversion (BSD).\n\n"
               "The licence texts are installed with these libraries (on Debian in "
               "/usr/share/doc/<package>/copyright).")
        .arg(QString::fromLatin1(qVersion()));
}

} // namespace app
