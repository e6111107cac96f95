# Writes a language file whose captions and messages are about a third longer than those of
# the language file read (English.lng), word by word, so that pictures show how the windows
# cope with a translation longer than English. Placeholders such as %%APPNAME%% stay.
BEGIN { section = "" }
/^\[/ { section = $0; print; next }
section ~ /^\[Language\]/ && /^Language=/ { print "Language=Longer\r"; next }
index($0, "=") == 0 { print; next }
{
    at = index($0, "=")
    key = substr($0, 1, at - 1)
    rest = substr($0, at + 1)
    out = ""
    while (match(rest, /[A-Za-z]+/)) {
        before = substr(rest, 1, RSTART - 1)
        word = substr(rest, RSTART, RLENGTH)
        rest = substr(rest, RSTART + RLENGTH)
        if (before ~ /%%$/) { out = out before word; continue }
        extra = int((length(word) * 35 + 99) / 100)
        out = out before word tolower(substr(word word word, 1, extra))
    }
    print key "=" out rest
}
