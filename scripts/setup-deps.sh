#!/usr/bin/env bash
# Installs the Debian packages TXQ needs, when missing. Usage: setup-deps.sh [build|test|ci|bench|fuzz]...
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config uuid-dev uthash-dev)
for need in "${@:-build}"; do
  case "$need" in
    build) ;;
    test) packages+=(libgtest-dev zlib1g-dev) ;;
    ci) packages+=(libgtest-dev zlib1g-dev clang libclang-rt-14-dev) ;;
    bench) packages+=(libbenchmark-dev zlib1g-dev libssl-dev nlohmann-json3-dev libcaf-dev) ;;
    fuzz) packages+=(clang libclang-rt-14-dev) ;;
    *) echo "setup-deps: unknown set '$need'" >&2; exit 2 ;;
  esac
done

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup-deps: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
