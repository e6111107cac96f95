#include "schedule/gui/TForm10.h"

#include "desktop/gui/TBrowseForFolder.h"
#include "lang/TLngINISupp.h"
#include "lang/gui/FittingCaptions.h"
#include "ui_TForm10.h"

namespace schedule {

TForm10::TForm10(ScheduleDeps deps, QWidget* parent, lang::TLngINISupp* lng)
    : QDialog(parent), ui_(std::make_unique<Ui::TForm10>()) {
    ui_->setupUi(this);
    lang::FitCaptions(this);
    captions_ = clients::WidgetCaptionControl::controlsOf(this);
    const platform::Files& files = deps.files;
    editor_ =
        std::make_unique<ScheduleEditor>(ScheduleControls::of(*ui_), std::move(deps), nullptr);
    editor_->pickFolder = [this, &files](const QString& start) {
        return desktop::TBrowseForFolder(files).Execute(start, this);
    };
    connect(ui_->Button1, &QPushButton::clicked, this, &TForm10::Button1Click);
    connect(ui_->Button2, &QPushButton::clicked, this, &TForm10::reject);
    if (lng && !lng->FileName().isEmpty()) lng->Translate({this});
}

TForm10::~TForm10() = default;

std::vector<lang::CaptionControl*> TForm10::controls() const {
    return clients::CaptionPointers(captions_);
}

void TForm10::showEvent(QShowEvent* event) {
    editor_->Show();
    editor_->FillFields();
    QDialog::showEvent(event);
}

void TForm10::Button1Click() {
    editor_->Leave();
    accept();
}

} // namespace schedule
