# Sourced by the other scripts: what this machine can run.
#
# Some kernels refuse 32-bit x86 programs altogether ("Exec format error"):
# hosts that switch IA-32 emulation off. There 32-bit Wine cannot start, so
# the 32-bit build is built but not run, and Debian's i386 packages are not
# installed. TAVREL_WIN32=0 makes any machine behave so.

# Succeeds when this machine runs 32-bit x86 programs; otherwise sets
# win32_reason to why not.
win32_runs() {
  if [ "${TAVREL_WIN32:-}" = 0 ]; then
    win32_reason="TAVREL_WIN32=0 was given"
    return 1
  fi
  # The smallest i386 Linux program: it exits with code 42.
  local probe status
  probe=$(mktemp)
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
  chmod +x "$probe"
  status=0
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  if [ "$status" -eq 42 ]; then
    return 0
  fi
  win32_reason="this machine cannot run 32-bit x86 programs (the kernel refuses them)"
  return 1
}

# Succeeds when Debian's package of that name is installed.
installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

# Succeeds when the 32-bit build can run here under Wine: the machine runs
# 32-bit programs and Wine's 32-bit part is installed, which a package
# mirror can fail to provide (scripts/ensure-deps.sh); otherwise sets
# win32_reason to why not.
win32_wine_runs() {
  win32_runs || return 1
  installed wine32:i386 && return 0
  win32_reason="Wine's 32-bit part (wine32:i386) could not be installed"
  return 1
}

# The Wine loaders, called directly: Debian's `wine` launcher picks the
# 32-bit one whenever it is installed, whether or not it can run.
wine64_loader=/usr/lib/wine/wine64
wine32_loader=/usr/lib/wine/wine
