# The two commands of the README: `make run` and `make test`; and the
# reliability runs: `make test-asan`, `make soak`, `make fuzz`.
BUILD   ?= build
JOBS    ?= 2
BENCH   ?=
PORTS   ?=
CMAKE_FLAGS ?=
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_TIME  ?= 60
FUZZ_TARGETS := command_line transfer discovery bench_reader channel_settings
DEB_BUILD  ?= build-pkg
DEB_OUT    ?= out

.PHONY: all deps configure build run run-sim test test-asan soak fuzz deb check-deb clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

# Starts the panel. Without instrument libraries on the loader path it shows
# the non-live panel.
run: build
	@bash scripts/run-panel.sh $(BUILD)/tsx4410sfp $(ARGS)

# Starts the panel live on the simulated instrument through tsx4410sfp-sim:
# BENCH=file picks a bench, PORTS="1=/dev/ttyUSB0 2=/dev/ttyUSB1" puts
# channels on serial devices (checked first), ARGS go to the panel.
run-sim: build
	@bash scripts/run-panel.sh $(BUILD)/tsx4410sfp-sim $(if $(BENCH),--bench $(BENCH)) $(PORTS) -- $(ARGS)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS) $(CTEST_ARGS)

# Every test again with AddressSanitizer and UndefinedBehaviorSanitizer, leak
# detection on; tools/lsan.supp names the only leaks let through.
test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DSFP_SANITIZE=ON -DSFP_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(ASAN_BUILD) -j$(JOBS)
	@cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1 \
	  LSAN_OPTIONS=suppressions=$(abspath tools/lsan.supp):print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j$(JOBS) $(CTEST_ARGS)

# The long soak: 100000 ticks on four channels, non-live and on the stand-ins.
soak: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen SFP_SOAK_TICKS=$${SFP_SOAK_TICKS:-100000} \
	  ctest -L soak --output-on-failure

# Each fuzz target for FUZZ_TIME seconds (libFuzzer, clang). New inputs go to
# $(FUZZ_BUILD)/corpus; crashing ones to $(FUZZ_BUILD)/artifacts, to be
# copied into tests/fuzz/corpus/<target> once fixed.
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DSFP_FUZZ=ON -DSFP_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) -j$(JOBS) --target $(addprefix fuzz_,$(FUZZ_TARGETS))
	@mkdir -p $(FUZZ_BUILD)/artifacts
	@set -e; for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t; \
	  echo "fuzz_$$t: $(FUZZ_TIME) s"; \
	  QT_QPA_PLATFORM=offscreen LSAN_OPTIONS=suppressions=$(abspath tools/lsan.supp) \
	    $(FUZZ_BUILD)/tests/fuzz/fuzz_$$t -max_total_time=$(FUZZ_TIME) \
	    -artifact_prefix=$(FUZZ_BUILD)/artifacts/$$t- -print_final_stats=1 \
	    $(FUZZ_BUILD)/corpus/$$t tests/fuzz/corpus/$$t; \
	done

# The Debian package, $(DEB_OUT)/tsx4410-sfp_<version>_<arch>.deb: a build for
# /usr with Debian's compiler and hardening flags, packed by CPack.
deb: deps
	@export DEB_BUILD_MAINT_OPTIONS=hardening=+all; \
	  CFLAGS="$$(dpkg-buildflags --get CFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
	  CXXFLAGS="$$(dpkg-buildflags --get CXXFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
	  LDFLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
	  cmake -S . -B $(DEB_BUILD) -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
	    -DSFP_BUILD_TESTS=OFF -DSFP_BUILD_BENCH=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(DEB_BUILD) -j$(JOBS)
	@rm -f $(DEB_BUILD)/tsx4410-sfp_*.deb
	@cd $(DEB_BUILD) && cpack -G DEB >cpack.log 2>&1 || { cat cpack.log; exit 1; }
	@mkdir -p $(DEB_OUT) && rm -f $(DEB_OUT)/tsx4410-sfp_*.deb
	@cp $(DEB_BUILD)/tsx4410-sfp_*.deb $(DEB_OUT)/ && ls $(DEB_OUT)/tsx4410-sfp_*.deb

# Validates the package's desktop entry and software-centre entry, runs
# lintian, installs it into a scratch root and starts it there.
check-deb: deb
	@bash scripts/check-deb.sh $(DEB_OUT)/tsx4410-sfp_*.deb $(DEB_BUILD)

clean:
	@rm -rf $(BUILD)
