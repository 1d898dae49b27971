# Front door: `make run` builds and starts the editor; `make test` builds and runs every test.
# Every target installs what is missing first (Debian packages via apt).

SHELL := /bin/bash
JOBS ?= $(shell nproc)
BUILD ?= build
CMAKE_FLAGS ?=

DEBIAN_PACKAGES := cmake ninja-build g++ clang libclang-rt-14-dev pkg-config \
	qt6-base-dev libgl-dev x11-utils libplist-dev nlohmann-json3-dev libcli11-dev \
	libavcodec-dev libavformat-dev libavutil-dev libswscale-dev ffmpeg libdeflate-dev \
	libgtest-dev libgmock-dev libbenchmark-dev python3 locales chromium xvfb xauth qt6-qpa-plugins \
	qt6-declarative-dev desktop-file-utils appstream
# Python's imaging library, the third-party reader of exported PNG, APNG and GIF in the tests.
DEBIAN_PACKAGES += python3-pil
# The X protocol library's headers: a test unmaps the editor's window as a window manager does.
DEBIAN_PACKAGES += libxcb1-dev
# setpriv and unshare (util-linux) and mount: the permission tests drop to the user nobody when
# run as root, and the full-disk test mounts a small tmpfs in a mount namespace of its own.
DEBIAN_PACKAGES += util-linux mount
# The message bus daemon: the appearance tests start a session bus of their own with a stand-in
# desktop portal on it.
DEBIAN_PACKAGES += dbus-daemon
# The canvas on the GPU: Qt's OpenGL widget, and Mesa's drivers (llvmpipe where the machine has no
# GPU) so that its tests draw with real OpenGL.
DEBIAN_PACKAGES += libqt6opengl6-dev libgl1-mesa-dri libegl-mesa0 libgles-dev
# The Debian package (make package): dpkg-dev builds it, lintian checks it, and shared-mime-info's
# trigger registers the project type when the package test installs it.
DEBIAN_PACKAGES += dpkg-dev lintian shared-mime-info
# Qt's translation tools: lupdate and lrelease (qt6-l10n-tools), their CMake package (qt6-tools-dev),
# and Qt's own translations of its standard dialogs, which the editor loads beside its own.
DEBIAN_PACKAGES += qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
# Node.js and npm, for the pinned highlight.js and the highlighter's comparison tests: Debian's,
# unless the machine already has a Node.js that brings its own npm.
NODE_PACKAGES := nodejs npm

.PHONY: deps build run test test-main test-asan test-fuzz test-tsan test-package package bench clean

deps:
	@missing=""; \
	for p in $(DEBIAN_PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' "$$p" 2>/dev/null | grep -q '^install ok installed' || missing="$$missing $$p"; \
	done; \
	command -v npm >/dev/null 2>&1 || missing="$$missing $(NODE_PACKAGES)"; \
	if [ -n "$$missing" ]; then \
	  sudo=""; [ "$$(id -u)" = 0 ] || sudo=sudo; \
	  echo "Installing:$$missing"; \
	  $$sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$sudo apt-get install -y -qq $$missing; \
	fi
	@bash tools/ensure-locale.sh
	@# The pinned highlight.js release the highlighter bundles at build time (tools/highlight/package-lock.json).
	@[ tools/highlight/node_modules/.package-lock.json -nt tools/highlight/package-lock.json ] || \
	  npm ci --prefix tools/highlight --no-audit --no-fund
	@# The pinned React (current and 18), React's types and TypeScript the web package's tests run
	@# against (tools/webpackage/package-lock.json).
	@[ tools/webpackage/node_modules/.package-lock.json -nt tools/webpackage/package-lock.json ] || \
	  npm ci --prefix tools/webpackage --no-audit --no-fund

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/lumara

# The package test comes last: it installs and purges the package system-wide.
test: test-main test-asan test-fuzz test-package

test-main: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Model, document, file and renderer tests under AddressSanitizer + UndefinedBehaviorSanitizer.
test-asan: deps
	cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLUMARA_SANITIZE=ON -DLUMARA_CORE_ONLY=ON
	cmake --build build-asan -j $(JOBS)
	cd build-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

# The whole Release suite under ThreadSanitizer, once, by hand (not part of make test: it takes about
# an hour on two cores). Reports that are no race carry a suppression with its reason in
# tools/tsan/suppressions.txt; each process's reports land in build-tsan/tsan-logs/. The children
# QProcess starts are forked instead (tools/tsan/fork-for-clone.c says why).
test-tsan: deps
	cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-g -DLUMARA_SANITIZE_THREAD=ON -DLUMARA_BENCH=OFF
	cmake --build build-tsan -j $(JOBS)
	gcc -shared -fPIC -O2 -o build-tsan/fork-for-clone.so tools/tsan/fork-for-clone.c -ldl
	rm -rf build-tsan/tsan-logs && mkdir -p build-tsan/tsan-logs
	cd build-tsan && QT_QPA_PLATFORM=offscreen LD_PRELOAD=$(CURDIR)/build-tsan/fork-for-clone.so \
	  TSAN_OPTIONS="suppressions=$(CURDIR)/tools/tsan/suppressions.txt log_path=$(CURDIR)/build-tsan/tsan-logs/tsan halt_on_error=0 second_deadlock_stack=1 ignore_noninstrumented_modules=1" \
	  ctest --output-on-failure --timeout 1500 -j $(JOBS)

# Each decoder's libFuzzer target, run briefly (FUZZ_SECONDS each). For long runs: build-fuzz/fuzz_<name> CORPUS_DIR
FUZZ_SECONDS ?= 20
test-fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMARA_FUZZ=ON -DLUMARA_FUZZ_SECONDS=$(FUZZ_SECONDS)
	cmake --build build-fuzz -j $(JOBS)
	cd build-fuzz && ctest --output-on-failure

# lumara_<version>_<arch>.deb in $(PACKAGE_BUILD)/: its own Release build with update checks off
# (packaging/build-deb.sh).
PACKAGE_BUILD ?= build-deb
package: deps
	JOBS=$(JOBS) bash packaging/build-deb.sh $(PACKAGE_BUILD)

# Builds the package, checks it with lintian and, as root, installs, runs and purges it.
test-package: package
	bash tests/package/deb_package_test.sh $(PACKAGE_BUILD)/lumara_$$(dpkg-parsechangelog -l packaging/debian/changelog -S Version)_$$(dpkg --print-architecture).deb

# Without a display the canvas benchmark runs on Qt's offscreen platform.
bench: build
	@[ -n "$$DISPLAY" ] || export QT_QPA_PLATFORM=offscreen; \
	for b in $(BUILD)/bench/bench_*; do [ -f "$$b" ] && [ -x "$$b" ] && { "$$b" || exit 1; }; done

clean:
	rm -rf build build-asan build-fuzz build-tsan $(PACKAGE_BUILD)
