#!/bin/sh
# Checks for the build tools and libraries; names the Debian packages that are missing and
# installs them when run as root on a machine with apt-get. With the argument "aarch64" it
# also checks for what the stub for 64-bit ARM needs: the cross compiler and qemu-user.
missing=""
need() { # need PACKAGE TEST...
  pkg=$1; shift
  "$@" >/dev/null 2>&1 || missing="$missing $pkg"
}
need cmake command -v cmake
need g++ command -v g++
need make command -v make
need libgtest-dev test -f /usr/include/gtest/gtest.h
need libc6-dev test -f "$(g++ -print-file-name=libc.a 2>/dev/null)"
need default-jdk-headless command -v javac
# Tests drive the launcher's prompt in a terminal, as a person would.
need tmux command -v tmux
# The integrity record's digests, compiled into the launcher from the header alone; the
# cross build links these headers into its own include directory.
need libxxhash-dev test -f /usr/include/xxhash.h
if [ "${1:-}" = aarch64 ]; then
  need crossbuild-essential-arm64 command -v aarch64-linux-gnu-g++
  # Runs the aarch64 stub's tests on this machine.
  need qemu-user-static command -v qemu-aarch64-static
fi

[ -z "$missing" ] && exit 0
echo "Missing Debian packages:$missing"
if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
  echo "Installing them with apt-get..."
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing && exit 0
  echo "apt-get could not install:$missing" >&2
  exit 1
fi
echo "Install them with: sudo apt-get install$missing" >&2
exit 1
