#!/bin/sh
# Stand-in of the correction-receipt program on Linux, as a script: the
# adapter starts it itself, and a script runs wherever the host's shell runs,
# also where 32-bit programs run only under an emulator started by hand.
# "corvane <answer file> <prepared document>"; the answer as its
# configuration (CORVANE_CONFIG) says, as corvane.cpp (the Windows build).
[ $# -ge 2 ] || exit 2
answer_file=$1
prepared_file=$2
[ -r "$prepared_file" ] || exit 3
setting() {
  [ -r "${CORVANE_CONFIG:-}" ] || { printf '%s' "$2"; return; }
  value=$(sed -n "s/^$1 = //p" "$CORVANE_CONFIG" | head -n 1)
  if [ -n "$value" ]; then printf '%s' "$value"; else printf '%s' "$2"; fi
}
log=$(setting log "")
if [ -n "$log" ]; then { cat "$prepared_file"; printf '\n'; } >> "$log"; fi
answer=$(setting answer document)
case "$answer" in
  hang) exec sleep 2147483647 ;;
  none) exit 0 ;;
  result)
    error=$(setting error "")
    if [ -n "$error" ]; then printf '<Result><Error>%s</Error></Result>' "$error" > "$answer_file" || exit 4
    else printf '<Result></Result>' > "$answer_file" || exit 4; fi
    exit 0 ;;
esac
# The prepared document with a correction before its closing tag, or an
# empty root opened to hold it.
exec python3 - "$prepared_file" "$answer_file" <<'PY'
import sys
document = open(sys.argv[1], "rb").read()
correction = b'<Correction Kind="Self" Sum="100"/>'
end = document.rfind(b"</FiscalDocument>")
empty = document.rfind(b"/>")
if end >= 0:
    document = document[:end] + correction + document[end:]
elif empty >= 0:
    document = document[:empty] + b">" + correction + b"</FiscalDocument>" + document[empty + 2:]
open(sys.argv[2], "wb").write(document)
PY
