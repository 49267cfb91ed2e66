# korvax: the two commands of the README, and what they are made of.
BUILD ?= build
JOBS ?= 2
DEMO_DIR = $(BUILD)/demo

.PHONY: demo test setup build clean

setup:
	@bash scripts/setup.sh

build: setup
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

# Runs korvax with 3 tasks on the bundled E. coli CRP example.
demo: build
	@mkdir -p $(DEMO_DIR)
	@cp examples/crp0.seq $(DEMO_DIR)/
	cd $(DEMO_DIR) && mpiexec -n 3 ../korvax -L22 crp0.seq
	@echo "The best signals, from the result file $(DEMO_DIR)/crp0.seq.out:"
	@echo
	@sed -n '/^Best /,/^Recurrent/p' $(DEMO_DIR)/crp0.seq.out | grep -v '^Recurrent'

test: build
	cd $(BUILD) && ctest -j$(JOBS) --output-on-failure

clean:
	rm -rf $(BUILD) build-asan
