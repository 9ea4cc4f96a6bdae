# The two commands of the project: `make demo` and `make test`. Both set the machine up first.
SHELL := /bin/bash
WINESERVER := /usr/lib/wine/wineserver

.PHONY: all setup native win64 win32 fuzz tsan sweep release test test-native test-win64 test-win32 test-release test-fuzz test-tsan demo measure screenshots clean

all: native win64 win32

setup:
	scripts/setup

native: setup
	cmake --preset native
	cmake --build --preset native

win64 win32: setup
	cmake --preset $@
	cmake --build --preset $@

fuzz: setup
	cmake --preset fuzz
	cmake --build --preset fuzz --target fuzzers

# Only the tests of the threaded code (ipc, progress, dialogs) and what they link.
tsan: setup
	cmake --preset tsan
	cmake --build --preset tsan

# Every tier runs even when an earlier one fails; the target fails when any did. Each tier's time is
# printed, so a CI log shows where the run's minutes go.
test: native win64 win32 fuzz tsan
	@status=0; \
	for tier in native win64 win32 release fuzz tsan; do \
	  start=$$(date +%s); \
	  $(MAKE) --no-print-directory test-$$tier || status=1; \
	  echo "make test: test-$$tier took $$(( $$(date +%s) - start )) s"; \
	done; \
	if [ $$status -eq 0 ]; then echo "make test: every tier passed"; else echo "make test: a tier failed"; fi; \
	exit $$status

test-native:
	ctest --preset native -j2

# One wineserver stays up for the whole Wine run instead of starting with every test program. The
# prefix's background services start first, away from CTest's output pipes, which they would hold open.
# The x86 tree's programs need Wine's 32-bit half, which needs a kernel that runs i386 programs: where
# it does not, that tier says so in one line and is skipped.
test-win64 test-win32: test-%:
	@export WINEPREFIX=$(CURDIR)/build/$*/wineprefix WINEDEBUG=-all; \
	if [ $* = win32 ] && ! probe=$$(/usr/lib/wine/wine --version 2>&1); then \
	  echo "!!! test-win32 SKIPPED: this machine cannot run 32-bit Wine (/usr/lib/wine/wine --version: $$probe)"; \
	  exit 0; \
	fi; \
	$(WINESERVER) -p; \
	/usr/lib/wine/wine64 cmd.exe /c exit >/dev/null 2>&1 </dev/null; \
	status=0; ctest --preset $* -j2 || status=$$?; \
	$(WINESERVER) -k || true; \
	exit $$status

test-fuzz:
	ctest --preset fuzz

# Signs both installers (a throwaway test authority unless ZARN_SIGN_CERT names a real certificate; see
# scripts/release), verifies the signatures and writes build/release/SHA256SUMS and the released manifest.
release: win64 win32
	scripts/release --out build/release x64=build/win64/src/app/kobuoffline.exe x86=build/win32/src/app/kobuoffline.exe

test-release: release
	tests/release/release_test.sh build/release

# Not part of `make test`, which runs a fixed sample: every port call of a whole run failed in turn.
sweep: native
	ZARN_SWEEP=all ctest --preset native -L sweep --output-on-failure

test-tsan:
	ctest --preset tsan -j2

demo: win64
	scripts/sealed scripts/demo $(ARGS)

# Not part of `make test`: times the package write and the install of both installers under Wine
# against cp and msiexec, and reports their sizes; builds only the programs it times.
# `make measure ARGS="--runs 9"`.
measure: setup
	cmake --preset win64
	cmake --preset win32
	scripts/sealed scripts/measure $(ARGS)

# Not part of `make test`: every dialog in every language at 96 and 144 dpi, into build/screenshots.
screenshots: win64
	scripts/sealed scripts/screenshots $(ARGS)

clean:
	rm -rf build
