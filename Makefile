# make run: install what is missing, build, and start the menu in the demo program folder.
# make test: install what is missing, build twice (plain, and with AddressSanitizer and
#            UndefinedBehaviorSanitizer) and once for Windows, and run every test in the three
#            builds (the Windows build's under Wine).
# make windows: cross-build the Windows program with mingw-w64, statically, in $(WINDOWS_BUILD),
#               with its installer and its zip (packaging/windows/).
BUILD         ?= build
ASAN_BUILD    ?= build-asan
WINDOWS_BUILD ?= build-windows
JOBS          ?= $(shell nproc)

.PHONY: all deps build asan windows run test test-plain test-asan test-windows fuzz clean

all: build

deps:
	@bash tools/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j$(JOBS)

asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTOVALEER_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j$(JOBS)

windows: deps
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(WINDOWS_BUILD) -j$(JOBS)

run: build
	@test -n "$$DISPLAY$$WAYLAND_DISPLAY" || { echo "make run needs an X display or a Wayland session (neither DISPLAY nor WAYLAND_DISPLAY is set)"; exit 1; }
	cd $(BUILD)/suite && exec ../tovaleer

# Every run always runs, the bounded fuzzing first so that CTest's summary ends the output;
# the target fails when any of them failed, and its last line names those that did.
test: build asan windows
	@failed=""; \
	$(MAKE) --no-print-directory fuzz || failed="$$failed fuzz"; \
	$(MAKE) --no-print-directory test-plain || failed="$$failed test-plain"; \
	$(MAKE) --no-print-directory test-asan || failed="$$failed test-asan"; \
	$(MAKE) --no-print-directory test-windows || failed="$$failed test-windows"; \
	if [ -n "$$failed" ]; then \
	  case "$$failed" in *test-plain*) sed 's|^|make test: failed in $(BUILD): |' \
	    $(BUILD)/Testing/Temporary/LastTestsFailed.log;; esac; \
	  case "$$failed" in *test-asan*) sed 's|^|make test: failed in $(ASAN_BUILD): |' \
	    $(ASAN_BUILD)/Testing/Temporary/LastTestsFailed.log;; esac; \
	  case "$$failed" in *test-windows*) sed 's|^|make test: failed in $(WINDOWS_BUILD): |' \
	    $(WINDOWS_BUILD)/Testing/Temporary/LastTestsFailed.log;; esac; \
	  echo "make test: failed:$$failed"; exit 1; \
	fi

test-plain:
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

# The Win32 tests under Wine, one at a time: each has an X server and the build tree's Wine
# prefix to itself.
test-windows:
	ctest --test-dir $(WINDOWS_BUILD) --output-on-failure

test-asan:
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j$(JOBS)

# make fuzz: a bounded libFuzzer run (FUZZ_SECONDS) of the PNG loader with AddressSanitizer, in
# a clang build of its own; it starts from generated pictures and the kept regression inputs.
# A crash fails the target and leaves its input in $(FUZZ_BUILD)/crashes/.
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 60
fuzz: deps
	@command -v clang++ >/dev/null || { echo "make fuzz: clang++ is not installed; skipped"; exit 0; }; \
	set -e; \
	cmake -S tests/png/fuzz -B $(FUZZ_BUILD) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++; \
	cmake --build $(FUZZ_BUILD) -j$(JOBS); \
	mkdir -p $(FUZZ_BUILD)/corpus $(FUZZ_BUILD)/crashes; \
	$(FUZZ_BUILD)/png_seeds $(FUZZ_BUILD)/seeds; \
	ASAN_OPTIONS=detect_leaks=1 $(FUZZ_BUILD)/png_fuzz -rss_limit_mb=4096 -malloc_limit_mb=2200 \
	  -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 -artifact_prefix=$(FUZZ_BUILD)/crashes/ \
	  $(FUZZ_BUILD)/corpus $(FUZZ_BUILD)/seeds tests/png/fuzz/regressions

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(WINDOWS_BUILD) $(FUZZ_BUILD)

# make package: the Debian package (program, tools, demo program folder, desktop entry),
# made by CPack in $(BUILD): $(BUILD)/tovaleer_VERSION_ARCH.deb.
.PHONY: package
package: build
	cd $(BUILD) && cpack -G DEB
