# Korvel: `make play` sets up, builds and plays; `make test` sets up, builds and runs every test.
# What building, playing and packing need (`make play`, `make deb`, `make install`).
PACKAGES := cmake make g++ pkg-config libsdl1.2-dev libsdl-mixer1.2-dev libgl-dev libgl1-mesa-dri \
            libfreetype-dev fonts-dejavu-core libcairo2-dev zlib1g-dev libx11-dev dpkg-dev
# What the tests, the fuzzers and the benchmark need besides: added for those targets only.
TEST_PACKAGES := python3 libgtest-dev libxmp-dev xvfb xdotool imagemagick x11-utils openbox \
                 desktop-file-utils appstream man-db lintian clang libclang-rt-14-dev libsdl1.2-compat
# What the browser build, its server and its tests need besides (`make web`, `make test`):
# Emscripten, Chromium, libxmp and oggenc for the music, pako for the replays' zlib, and npm for
# puppeteer-core where no npm is on the PATH.
WEB_PACKAGES := python3 emscripten chromium libxmp-dev vorbis-tools nodejs node-pako \
                $(if $(shell command -v npm),,npm)
# What the score server, its tests and its load test need besides (`make scores`, `make test`).
SCORE_PACKAGES := libcpp-httplib-dev nlohmann-json3-dev libsqlite3-dev libpq-dev postgresql python3 wrk \
                  util-linux
JOBS := $(shell nproc)
PREFIX ?= /usr/local

.PHONY: all deps build play play-landscape test bench bench-all fuzz fuzz-build format clean install uninstall deb \
        web web-test-deps bench-web serve-web web-zip demos scores bench-scores

all: build

# The `deps` these targets make (as prerequisites) installs the test packages too, and the build
# made for `make test` has the tests (other builds have them when GoogleTest is there).
test fuzz fuzz-build bench bench-all demos: PACKAGES += $(TEST_PACKAGES)
fuzz fuzz-build: PACKAGES += nlohmann-json3-dev
test web web-test-deps bench-web serve-web web-zip scores bench-scores: PACKAGES += $(WEB_PACKAGES)
test: BUILD_OPTIONS = -DKORVEL_TESTS=ON
test scores bench-scores: PACKAGES += $(SCORE_PACKAGES)
test scores bench-scores: BUILD_OPTIONS += -DKORVEL_SCORES=ON

# Installs the missing Debian packages when run as root; otherwise prints the command and stops.
deps:
	@missing=$$(for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
	  else \
	    echo "Korvel needs these Debian packages. Run as root:"; \
	    echo "  apt-get install -y $$(echo $$missing)"; exit 1; \
	  fi; \
	fi

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(BUILD_OPTIONS)
	cmake --build build -j$(JOBS)

play: build
	cd build/run && ./korvel

play-landscape: build
	cd build/run && ./korvel-landscape

# The unit tests of both orientations, again under AddressSanitizer and UndefinedBehaviorSanitizer,
# and the end-to-end tests of both programs, on a virtual display with SDL's dummy audio driver;
# the browser games in Chromium, against the desktop bench's picture.
test: build web web-test-deps
	cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKORVEL_SANITIZE=ON
	cmake --build build-sanitize -j$(JOBS) --target korvel-tests-portrait korvel-tests-landscape \
	      korvel-level-tests
	cmake --build build -j$(JOBS) --target korvel-bench-portrait
	$(MAKE) fuzz-build
	bash tests/run.sh

# Installs the programs, the game data, the menu entries, icons and man pages under PREFIX (and DESTDIR).
# CMake's install manifest is kept, with DESTDIR, as build/installed-files.txt (cpack overwrites the manifest).
install: build
	cmake --install build --prefix $(PREFIX)
	sed 's|^|$(DESTDIR)|' build/install_manifest.txt > build/installed-files.txt

# Removes what the last `make install` put there, and the game's own folders once empty; with
# nothing installed (say a second time), it says so and succeeds.
uninstall:
	@if [ ! -f build/installed-files.txt ]; then echo "nothing is installed from build/: nothing to remove"; else \
	  set -e; \
	  xargs -d '\n' rm -f -- < build/installed-files.txt; \
	  grep '/korvel/[^/]*$$' build/installed-files.txt | xargs -d '\n' dirname | sort -u | \
	    xargs -d '\n' rmdir --ignore-fail-on-non-empty --; \
	  rm build/installed-files.txt; \
	fi

# The Debian package build/korvel_<version>-<release>_<arch>.deb (lintian checks it in `make test`).
deb: build
	cd build && cpack -G DEB

# The libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer) in build-fuzz.
fuzz-build: deps
	cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	      -DKORVEL_FUZZ=ON -DKORVEL_TESTS=OFF
	cmake --build build-fuzz -j$(JOBS) --target fuzz-level fuzz-highscore fuzz-font fuzz-replay fuzz-table fuzz-game \
	      fuzz-game-landscape fuzz-scores korvel

# Every reader 200000 inputs and the whole game 2000, from the game's own default files; fails
# on any finding (tests/fuzz/run.sh).
fuzz: fuzz-build
	bash tests/fuzz/run.sh build-fuzz full

# Both games for the browser in build/web (index.html leads to them), built by Emscripten in
# build-web from the same sources, with the game data of the native build; the browser's music is
# the module rendered by the project's own tool. Optimised emcc runs want Debian's node modules.
web: build
	cmake --build build --target web-music -j$(JOBS)
	NODE_PATH=/usr/share/nodejs emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release \
	      -DKORVEL_NATIVE_BUILD=$(CURDIR)/build -DKORVEL_WEB_OUT=$(CURDIR)/build/web
	NODE_PATH=/usr/share/nodejs cmake --build build-web -j$(JOBS)

# The browser tests' puppeteer-core (tests/web/package-lock.json) and the desktop pictures they compare.
web-test-deps: build
	cmake --build build -j$(JOBS) --target korvel-bench-portrait korvel-bench-landscape
	cd tests/web && npm ci --no-audit --no-fund

# The bench's scenes in both pages, in headless Chromium with software WebGL, at device pixel ratios 1
# and 2, again with the CPU slowed down four times (a stand-in for a phone); and the download sizes.
bench-web: web web-test-deps
	node tests/web/test_web.js --bench build/web

# Serves build/web on this machine only.
WEB_PORT ?= 8080
serve-web: web
	@echo "Korvel in the browser: http://127.0.0.1:$(WEB_PORT)/"
	cd build/web && python3 -m http.server $(WEB_PORT) --bind 127.0.0.1

# build/korvel-web.zip: the pages and everything they load, for any static web host.
web-zip: web
	rm -f build/korvel-web.zip
	cd build && python3 -m zipfile -c korvel-web.zip web/

# Records the title screen's demos again into data/ (after a change in the game's behaviour or its
# version, which the demos' playback in `make test` shows), each on a virtual X display of its own.
demos: build
	cmake --build build -j$(JOBS) --target mkdemo-portrait mkdemo-landscape
	cd $$(mktemp -d) && for o in portrait landscape; do \
	  SDL_AUDIODRIVER=dummy xvfb-run -a $(CURDIR)/build/tools/mkdemo-$$o $(CURDIR)/data/demo-$$o.korvel-replay || exit 1; \
	done

# The score server on this machine only, with its SQLite database in build/scores-data, serving the
# browser game, whose runs it checks with the browser game's own code under Node (built by `web`).
# Started by root, it runs as nobody.
SCORES_PORT ?= 8080
scores: web
	cmake --build build -j$(JOBS) --target korvel-scores
	mkdir -p build/scores-data
	@echo "Korvel's scores: http://127.0.0.1:$(SCORES_PORT)/scores"
	@if [ "$$(id -u)" = 0 ]; then chown nobody build/scores-data; as="runuser -u nobody --"; fi; \
	cd build && exec $$as scores/korvel-scores --database scores-data/scores.sqlite --port $(SCORES_PORT) \
	  --web web

# make bench: the plain portrait window on both SDL 1.2 libraries (a couple of minutes); make
# bench-all: the whole matrix of pictures and smoothing (BENCHMARKS.md).
bench bench-all: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKORVEL_TESTS=OFF
	cmake --build build-bench -j$(JOBS) --target korvel-bench-portrait korvel-bench-landscape
	bash bench/run.sh build-bench $(if $(filter bench-all,$@),all,plain)

# The score server under load (wrk and a Python client) on SQLite and PostgreSQL; figures in BENCHMARKS.md.
bench-scores: web
	cmake --build build -j$(JOBS) --target korvel-scores korvel-long-run
	NODE_PATH=/usr/share/nodejs cmake --build build-web -j$(JOBS) --target korvel-long-run-web
	python3 bench/scores_bench.py build

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build build-sanitize build-bench build-fuzz build-web
