# Two commands do everything on a fresh Debian 12 machine (as root):
#   make demo   set up, build what the tour runs, and run the mail manager against the stand-in mail server
#   make test   set up, build both targets, and run every test under Wine (i686 and x86_64)
.PHONY: all setup build demo test clean

all: build

setup:
	scripts/setup.sh

build: setup
	cmake --preset x86_64 >/dev/null
	cmake --build --preset x86_64
	cmake --preset i686 >/dev/null
	cmake --build --preset i686

test: build
	scripts/test.sh

# The tour needs only the x86_64 module, the mail manager and the stand-ins.
demo: setup
	cmake --preset x86_64 >/dev/null
	cmake --build --preset x86_64 --target demo_programs
	scripts/demo.sh

clean:
	rm -rf build/x86_64 build/i686
