#pragma once
// Texts the captions of a language file do not reach: window titles, the
// schedule's period lists, the client trees' "Email Client" root and the
// names in the check lists of items and identities. They come from the
// message table; a key its file lacks keeps the English text.

namespace app {

class AppContext;

void TranslateItemTexts(AppContext& ctx);

} // namespace app
