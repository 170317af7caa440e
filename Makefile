# SPDX-License-Identifier: GPL-3.0-or-later
# Two commands: `make run` and `make test`. Both install what is missing first.
# Installing: `make install` (into PREFIX, ~/.local unless given), `make
# uninstall`, and `make package` for the Debian packages.
BUILD_RELEASE := build/release
BUILD_PACKAGE := build/package
PREFIX ?= $(HOME)/.local
BUILD_TEST := build/test
BUILD_BENCH := build/bench
BUILD_FUZZ := build/fuzz
BUILD_WEB := build/web-build
WEB_SITE := build/web
WEB_PORT ?= 8023
# emcc's JavaScript optimizer needs Debian's acorn module, which a node
# from elsewhere on the PATH does not look for.
EMSCRIPTEN_ENV := NODE_PATH=/usr/share/nodejs$${NODE_PATH:+:$$NODE_PATH}
JOBS ?= 2

.PHONY: strength run test build bench fuzz deps run-deps web-deps clean install uninstall package autopkgtest web serve artwork load cluster-start cluster-stop

# Playing needs only the build and run packages, the page its own (web-deps);
# tests, benchmarks, fuzzing and packaging need their tools too.
run-deps:
	@scripts/install-deps run

deps:
	@scripts/install-deps test

build: run-deps
	@cmake -S . -B $(BUILD_RELEASE) -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUINTORA_TESTS=OFF >/dev/null
	@cmake --build $(BUILD_RELEASE) -j $(JOBS)

# The game runs in its program folder, beside its sound library and waves;
# the settings file is written there.
run: build
	cd $(BUILD_RELEASE)/bin && ./quintora

# No root needed for the default prefix; PREFIX=/usr for a system install.
install: run-deps
	@cmake -S . -B $(BUILD_RELEASE) -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUINTORA_TESTS=OFF '-DCMAKE_INSTALL_PREFIX=$(PREFIX)' >/dev/null
	@cmake --build $(BUILD_RELEASE) -j $(JOBS)
	cmake --install $(BUILD_RELEASE)

# Removes the files the last `make install` put in place (its manifest lists them).
uninstall:
	cmake -DMANIFEST=$(BUILD_RELEASE)/install_manifest.txt -P desktop/uninstall.cmake

# The Debian packages (debian/), built by debhelper from a copy of the
# source tree in $(BUILD_PACKAGE)/source, so that the .deb files, the
# .changes and the .buildinfo land in $(BUILD_PACKAGE): quintora,
# quintora-data and quintora-dbgsym. The package build runs the tests too;
# DEB_BUILD_OPTIONS=nocheck leaves them out. Then lintian checks the lot.
package: deps
	rm -rf $(BUILD_PACKAGE)
	mkdir -p $(BUILD_PACKAGE)/source
	tar -c --exclude=./build --exclude=./obj-* --exclude-vcs . | tar -x -C $(BUILD_PACKAGE)/source
	cd $(BUILD_PACKAGE)/source && dpkg-buildpackage -us -uc -b -J$(JOBS)
	lintian --pedantic --display-info --fail-on error,warning,pedantic $(BUILD_PACKAGE)/quintora_*.changes

# The installed game's own test (debian/tests) on the packages `make package`
# made. AUTOPKGTEST_VIRT says where: null installs them on this machine; a
# fresh Debian root is better, e.g. AUTOPKGTEST_VIRT="unshare --tarball
# bookworm.tar" with a tarball made by mmdebstrap.
AUTOPKGTEST_VIRT ?= null
autopkgtest:
	rm -rf $(BUILD_PACKAGE)/tests
	mkdir -p $(BUILD_PACKAGE)/tests
	cp -a debian $(BUILD_PACKAGE)/tests/
	autopkgtest -U -B $(BUILD_PACKAGE)/quintora_*.deb $(BUILD_PACKAGE)/quintora-data_*.deb \
	  $(BUILD_PACKAGE)/tests/ -- $(AUTOPKGTEST_VIRT)

# The browser tests play the site `make web` builds.
test: deps web
	@cmake -S . -B $(BUILD_TEST) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUINTORA_SANITIZE=ON \
	  -DQUINTORA_WEB_SITE=$(CURDIR)/$(WEB_SITE) -DQUINTORA_PAGE_CRYPTO_VECTORS=$(CURDIR)/$(BUILD_WEB)/bin/page_crypto_vectors.js >/dev/null
	@cmake --build $(BUILD_TEST) -j $(JOBS)
	cd $(BUILD_TEST) && ctest --output-on-failure -j $(JOBS)

bench: deps
	@cmake -S . -B $(BUILD_BENCH) -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUINTORA_TESTS=OFF -DQUINTORA_BENCH=ON >/dev/null
	@cmake --build $(BUILD_BENCH) -j $(JOBS)
	$(BUILD_BENCH)/bin/quintora_bench

# Tournaments of the computer's strengths, without a window: one line per
# level (STRENGTH_ARGS="--openings N" for more or fewer games).
BUILD_STRENGTH := build/strength
strength: run-deps
	@cmake -S . -B $(BUILD_STRENGTH) -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUINTORA_TESTS=OFF -DQUINTORA_STRENGTH=ON >/dev/null
	@cmake --build $(BUILD_STRENGTH) -j $(JOBS) --target quintora_strength
	$(BUILD_STRENGTH)/bin/quintora_strength $(STRENGTH_ARGS)

# The committed artwork, icons and waves made again by their generators
# (tools/), into the source tree. The picture generator needs Qt SVG, one of
# the test tools: the release build is configured again once it is there.
artwork: deps
	@cmake -S . -B $(BUILD_RELEASE) -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUINTORA_TESTS=OFF >/dev/null
	@cmake --build $(BUILD_RELEASE) -j $(JOBS) --target make_pictures make_sounds
	$(BUILD_RELEASE)/bin/make_pictures view/pictures desktop/icons
	$(BUILD_RELEASE)/bin/make_sounds sound/waves

# The libFuzzer targets, built with clang into their own folder; see
# docs/testing.md ("Fuzzing") for how to run them.
fuzz: deps
	@cmake -S . -B $(BUILD_FUZZ) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DQUINTORA_FUZZ=ON -DQUINTORA_TESTS=OFF >/dev/null
	@cmake --build $(BUILD_FUZZ) -j $(JOBS) --target settings_reader_fuzz wave_fuzz box_open_fuzz room_message_fuzz

# The game for the browser: a static site in $(WEB_SITE), built with
# emscripten from the same core libraries. It needs emscripten, npm and the
# font tools, not the test tools.
web-deps:
	@scripts/install-deps web

web: web-deps
	@$(EMSCRIPTEN_ENV) emcmake cmake -S . -B $(BUILD_WEB) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DQUINTORA_WEB=ON -DQUINTORA_TESTS=OFF -DQUINTORA_WEB_SITE=$(CURDIR)/$(WEB_SITE) >/dev/null
	@$(EMSCRIPTEN_ENV) cmake --build $(BUILD_WEB) -j $(JOBS)

# Serves the site on http://127.0.0.1:$(WEB_PORT)/, with the strict
# Content-Security-Policy a host should send (web/serve.py), and runs a room
# broker for networked games (mqtt://127.0.0.1:$(MQTT_PORT)/) until Ctrl-C
# stops both. LAN=1 opens both to the local network, the broker over TLS
# only: TLS_CERT and TLS_KEY give its certificate and key (PEM), MQTT over
# TLS on MQTTS_PORT and WebSocket over TLS on MQTT_WS_PORT.
MQTT_PORT ?= 1883
MQTT_WS_PORT ?= 9001
MQTTS_PORT ?= 8883
LAN ?= 0
TLS_CERT ?=
TLS_KEY ?=
# The script in place of make's shell (exec): a shell between them would end
# by Ctrl-C itself, and make would report it, however cleanly the script stopped.
serve: web
	@QUINTORA_TLS_CERT='$(TLS_CERT)' QUINTORA_TLS_KEY='$(TLS_KEY)' QUINTORA_MQTTS_PORT=$(MQTTS_PORT) \
	  exec scripts/serve $(WEB_SITE) $(WEB_PORT) $(MQTT_PORT) $(MQTT_WS_PORT) $(LAN)

# Many rooms at once, four machines each, against a broker this starts on
# loopback and stops: BROKER=mosquitto or cluster (three RabbitMQ nodes),
# PACE=person (a press every 1-3 s a room), full or both; one line of
# figures for each pace (docs/scale.md).
ROOMS ?= 100
BROKER ?= mosquitto
PACE ?= both
LOAD_SECONDS ?= 60
QOS ?= 1
SPREAD ?= rooms
load: deps
	@cmake -S . -B $(BUILD_BENCH) -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUINTORA_TESTS=OFF -DQUINTORA_BENCH=ON >/dev/null
	@cmake --build $(BUILD_BENCH) -j $(JOBS) --target quintora_room_load
	@QUINTORA_LOAD_QOS=$(QOS) QUINTORA_LOAD_SPREAD=$(SPREAD) scripts/load $(BUILD_BENCH)/bin/quintora_room_load $(ROOMS) $(BROKER) $(PACE) $(LOAD_SECONDS)

# The cluster's start, stop and kill (scripts/broker-cluster), by hand.
cluster-start: deps
	@scripts/broker-cluster start
cluster-stop:
	@scripts/broker-cluster stop

clean:
	rm -rf build
