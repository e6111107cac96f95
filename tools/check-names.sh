#!/usr/bin/env bash
# Fails when a class of ours carries another toolkit's "T" prefix (TForm1, TFileSearch) or a
# member function is named after a widget (Button2Click, Timer1Timer) instead of its action.
# Widget object names (Button2, Form1) stay: the language files are keyed by them.
set -euo pipefail
src=${1:-"$(dirname "$0")/../src"}
status=0
if hits=$(grep -rnE '\b(class|struct)\s+T[A-Z][A-Za-z0-9_]*\b' "$src" --include='*.h' --include='*.cpp'); then
    echo "names: classes with a T prefix:" >&2
    echo "$hits" >&2
    status=1
fi
widgets='SpeedButton|BitBtn|Button|TabSheet|Timer|CheckListBox|CheckBox|Edit|ComboBox|RadioButton|RadioGroup|Form|TreeView|ShellTreeView|PageControl|Image|Label|Panel|ListBox|FileListBox|Memo|Animate|UpDown|TrackBar|MenuItem'
if hits=$(grep -rnE "^\s*(virtual\s+|static\s+)?(void|bool|int|QString)\s+([A-Za-z_][A-Za-z0-9_]*::)?(${widgets})[0-9]*(Click|DblClick|ClickCheck|Change|Exit|Enter|Show|Hide|Timer|Create|Close|CloseQuery|Destroy|Select|KeyPress|KeyDown|KeyUp|Resize|Paint|MouseDown|MouseUp)\s*\(" "$src" --include='*.h' --include='*.cpp'); then
    echo "names: functions named after a widget rather than their action:" >&2
    echo "$hits" >&2
    status=1
fi
exit $status
