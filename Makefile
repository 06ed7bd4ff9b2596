# The two commands of the README:
#   make run   installs what is missing, builds, installs into $(APP_HOME), starts Fennick
#   make test  installs what is missing, builds, runs every test (plus a sanitizer build)
APP_HOME ?= $(HOME)/Fennick
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: run test demo deps build install clean

run: deps build install
	cd "$(APP_HOME)" && $(CURDIR)/scripts/run-app.sh "$(APP_HOME)"

test: deps
	scripts/test.sh

# Beside the two commands: a demo with local servers and sample mail.
demo: deps build
	scripts/demo.sh

deps:
	scripts/install-deps.sh

build:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD_DIR) -j $(JOBS) --target fennick

install:
	scripts/install-app.sh "$(BUILD_DIR)" "$(APP_HOME)"

clean:
	rm -rf build build-asan build-tsan build-fuzz
