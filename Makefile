# The two commands of the README: `make run` and `make test`.
BUILD   ?= build
JOBS    ?= 2
BENCH   ?=
CMAKE_FLAGS ?=

.PHONY: all deps configure build run run-sim test clean

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

# Starts the panel live on the simulated instrument (BENCH=file picks a bench).
run-sim: build
	@SFP_SIM_BENCH="$(BENCH)" LD_LIBRARY_PATH="$(abspath $(BUILD))/sim$${LD_LIBRARY_PATH:+:$$LD_LIBRARY_PATH}" \
	  bash scripts/run-panel.sh $(BUILD)/tsx4410sfp $(ARGS)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS) $(CTEST_ARGS)

clean:
	@rm -rf $(BUILD)
