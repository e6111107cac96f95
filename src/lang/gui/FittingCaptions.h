#pragma once
// Captions in windows of a fixed size: a translation may be longer than the
// room its control has. A label, check box or radio button whose caption is
// wider than its room paints the caption elided at its end and offers the
// whole caption as its tool tip; labels that wrap are left to wrap. The text
// the control holds stays whole, so that translation and readers of text()
// see it unchanged.

class QWidget;

namespace lang {

// Watches every label, check box and radio button below window (those there
// now). Their minimum widths no longer insist on the whole caption, so that a
// layout short of room shares it out instead of cutting controls off.
void FitCaptions(QWidget* window);

// True when control's caption is wider than its room: it shows elided.
bool CaptionElided(const QWidget* control);

} // namespace lang
