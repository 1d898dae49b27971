#!/usr/bin/env bash
# Makes sure a decimal-comma locale exists, for the tests that prove generated text ignores the locale.
set -eu
if locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then exit 0; fi
sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
if [ -f /etc/locale.gen ]; then
  $sudo sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi
