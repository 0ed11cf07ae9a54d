# Installs the Debian packages the build, the tests and the demo need, when any is missing.

# Wine itself comes from the WoW64 root (scripts/lib/wow64), which debootstrap makes. git gives
# scripts/medium the date of the source tree's last commit, which every file on a medium gets.
ZANT_PACKAGES="cmake ninja-build g++ googletest libgtest-dev
  g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 binutils-mingw-w64-x86-64
  binutils-mingw-w64-i686 debootstrap xvfb xauth python3 imagemagick git
  xorriso osslsigncode openssl softhsm2 libengine-pkcs11-openssl"

zant_install_packages() {
  local missing="" p
  for p in $ZANT_PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
      missing="$missing $p"
  done
  [ -z "$missing" ] && return 0
  echo "Installing:$missing"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  # A mirror that drops a connection or answers with a server error is asked again.
  local apt=(apt-get -o Acquire::Retries=5 -qq)
  $sudo "${apt[@]}" update
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive $sudo "${apt[@]}" install -y --no-install-recommends $missing
}
