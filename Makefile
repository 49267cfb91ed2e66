# korvax: the two commands of the README, and what they are made of.
BUILD ?= build
JOBS ?= 2
PREFIX ?= /usr/local
DEMO_DIR = $(BUILD)/demo
SHELL := bash
.SHELLFLAGS := -eo pipefail -c

.PHONY: demo test setup build install clean

setup:
	@bash scripts/setup.sh

# The build says what it builds and shows the compiler's own messages (a
# warning, an error), not the build system's progress lines.
build: setup
	@echo "Building korvax in $(BUILD)/ (a minute or two the first time) ..."
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_RULE_MESSAGES=OFF >/dev/null
	@cmake --build $(BUILD) -j$(JOBS) -- --no-print-directory | { grep -v '^\[ *[0-9]*%\] Built target' || true; }

# Runs korvax with 3 tasks on the bundled E. coli CRP example, then polishes
# its best signals with korvax-polish.
demo: build
	@mkdir -p $(DEMO_DIR)
	@cp examples/crp0.seq $(DEMO_DIR)/
	cd $(DEMO_DIR) && mpiexec -n 3 ../korvax -L22 -F crp0.seq
	@echo "The best signals, from the result file $(DEMO_DIR)/crp0.seq.out:"
	@echo
	@sed -n '/^Best /,/^Recurrent/p' $(DEMO_DIR)/crp0.seq.out | grep -v '^Recurrent'
	cd $(DEMO_DIR) && ../korvax-polish --history crp0.seq.csv crp0.seq crp0.seq.out > crp0.polished.out
	@echo
	@echo "The best signal polished, from $(DEMO_DIR)/crp0.polished.out:"
	@echo
	@sed -n '/^Best /,/^$$/p' $(DEMO_DIR)/crp0.polished.out

test: build
	cd $(BUILD) && ctest -j$(JOBS) --output-on-failure

# The programs into PREFIX/bin, their man pages into PREFIX/share/man/man1.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD) build-asan build-fuzz
