#pragma once
// Shared pieces of the language tests: an interaction that records what would
// be shown, and a window tree that records the texts it is given.

#include "lang/CaptionTarget.h"
#include "support/FakeInteraction.h"

#include <QRandomGenerator>
#include <QStringList>

#include <memory>
#include <vector>

namespace langtest {

// Every text set on any control of a tree, in the order it was set:
// "Window.Control=text" or "Window.Control[panel]=text".
using SetLog = QStringList;

class FakeControl : public lang::CaptionControl {
public:
    FakeControl(QString window, QString name, lang::ControlKind kind, SetLog& log, int panels = 0)
        : window_(std::move(window)), name_(std::move(name)), kind_(kind), log_(log),
          panels_(panels) {
        panelTexts.resize(panels);
    }
    QString name() const override { return name_; }
    lang::ControlKind kind() const override { return kind_; }
    void setCaption(const QString& text) override {
        caption = text;
        log_ << window_ + QLatin1Char('.') + name_ + QLatin1Char('=') + text;
    }
    int panelCount() const override { return panels_; }
    void setPanelText(int index, const QString& text) override {
        // A translation must never address a panel the bar does not have.
        if (index < 0 || index >= panels_) {
            log_ << QStringLiteral("%1.%2: no panel %3").arg(window_, name_).arg(index);
            return;
        }
        panelTexts[index] = text;
        log_ << QStringLiteral("%1.%2[%3]=%4").arg(window_, name_).arg(index).arg(text);
    }
    QString caption;
    QStringList panelTexts;

private:
    QString window_;
    QString name_;
    lang::ControlKind kind_;
    SetLog& log_;
    int panels_;
};

class FakeWindow : public lang::CaptionWindow {
public:
    FakeWindow(QString name, SetLog& log) : name_(std::move(name)), log_(log) {}
    QString name() const override { return name_; }
    std::vector<lang::CaptionControl*> controls() const override {
        std::vector<lang::CaptionControl*> list;
        for (const auto& c : controls_)
            list.push_back(c.get());
        return list;
    }
    FakeControl& add(const QString& name, lang::ControlKind kind, int panels = 0) {
        controls_.push_back(std::make_unique<FakeControl>(name_, name, kind, log_, panels));
        return *controls_.back();
    }

private:
    QString name_;
    SetLog& log_;
    std::vector<std::unique_ptr<FakeControl>> controls_;
};

inline QByteArray randomBytes(QRandomGenerator& rng, int maxSize) {
    QByteArray bytes(int(rng.bounded(maxSize + 1)), '\0');
    for (char& c : bytes)
        c = char(rng.bounded(256));
    return bytes;
}

// Random damage to a text file: bytes changed, cut off, lines swapped in.
inline QByteArray mutate(QRandomGenerator& rng, QByteArray bytes) {
    static const QList<QByteArray> pieces = {
        "[",         "]",        "=",    "\"",       "'",
        "\r\n",      "\n",       "\r",   "%%/n%%",   "[Messages]",
        "Message6=", ".Panels[", "\xe9", "\xff\xfe", QByteArray("\0", 1)};
    const int edits = int(rng.bounded(1, 12));
    for (int i = 0; i < edits && !bytes.isEmpty(); ++i) {
        const qsizetype at = rng.bounded(bytes.size());
        switch (rng.bounded(4)) {
        case 0:
            bytes[at] = char(rng.bounded(256));
            break;
        case 1:
            bytes.truncate(at);
            break;
        case 2:
            bytes.insert(at, pieces[rng.bounded(int(pieces.size()))]);
            break;
        default:
            bytes.remove(at, rng.bounded(1, 64));
            break;
        }
    }
    return bytes;
}

} // namespace langtest
