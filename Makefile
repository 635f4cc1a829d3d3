# Korvel: `make play` sets up, builds and plays; `make test` sets up, builds and runs every test.
PACKAGES := cmake make g++ pkg-config python3 libsdl1.2-dev libsdl-mixer1.2-dev libgl-dev libgl1-mesa-dri \
            libfreetype-dev fonts-dejavu-core libgtest-dev libxmp-dev xvfb xdotool imagemagick x11-utils \
            libsdl1.2-compat openbox
JOBS := $(shell nproc)

.PHONY: all deps build play play-landscape test bench format clean

all: build

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
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build -j$(JOBS)

play: build
	cd build/run && ./korvel

play-landscape: build
	cd build/run && ./korvel-landscape

# The unit tests of both orientations, again under AddressSanitizer and UndefinedBehaviorSanitizer,
# and the end-to-end tests of both programs, on a virtual display with SDL's dummy audio driver.
test: build
	cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKORVEL_SANITIZE=ON
	cmake --build build-sanitize -j$(JOBS) --target korvel-tests-portrait korvel-tests-landscape
	bash tests/run.sh

bench: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKORVEL_TESTS=OFF
	cmake --build build-bench -j$(JOBS) --target korvel-bench
	bash bench/run.sh build-bench

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build build-sanitize build-bench
