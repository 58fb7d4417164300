# Sourced by the install proofs (proof.sh, vc_proof.sh); needs $setup, the
# folder of payload_installer.exe.

fail() { echo "FAIL: $*" >&2; exit 1; }
windows_path() { local p=${1//\//\\}; echo "Z:$p"; }

# Every directory and file below $1 with its content, leaving out entries
# named $2.
snapshot() {
  local skip=${2:-/}
  (cd "$1" && find . -name "$skip" -prune -o -printf '%y %p\n' | sort &&
    find . -name "$skip" -prune -o -type f -exec sha256sum {} + | sort)
}

# payload_installer <arguments>: prints its report, in which Wine's console
# ends lines with CR LF; its exit status.
installer() {
  local out status=0
  out=$("$GRAVO_WINE" "$setup/payload_installer.exe" "$@") || status=$?
  echo "${out//$'\r'/}"
  return $status
}

# expect_result <result text> <arguments>: prints the report, which must
# say "result <result text>".
expect_result() {
  local expected=$1 report
  shift
  report=$(installer "$@") || { echo "$report" >&2; fail "$1 failed"; }
  grep -qx "result $expected" <<<"$report" || { echo "$report" >&2; fail "$1 did not succeed"; }
  echo "$report"
}

# expect_same_layout <before> <after>
expect_same_layout() {
  [ "$1" = "$2" ] && return
  diff <(echo "$1") <(echo "$2") || true
  fail "the layout differs from before the install"
}
