"""What the Python script tests share: the flags tests/CMakeLists.txt gives
each of them, and the address-space limit they may start the program under."""
import argparse
import resource


def parse_build_arguments(program_flag):
    """The program under test (`program_flag` PATH) and what the build says of
    it; returns the parsed arguments and the rest, for unittest."""
    parser = argparse.ArgumentParser()
    parser.add_argument(program_flag, required=True)
    parser.add_argument("--emulator", default="",
                        help="what starts the program: Wine, or scripts/i386-run; words separated by '|'")
    parser.add_argument("--windows", action="store_true", help="the program is a Windows program")
    parser.add_argument("--sanitized", action="store_true",
                        help="a sanitizer build: far slower, and no address-space limit holds")
    args, rest = parser.parse_known_args()
    args.emulator = [part for part in args.emulator.split("|") if part]
    return args, rest


def address_limit(address_space):
    """A preexec_fn that limits the program to `address_space` bytes; None for no limit."""
    if not address_space:
        return None

    def limit():
        # The soft limit only: scripts/i386-run hands it on to qemu's guest.
        hard = resource.getrlimit(resource.RLIMIT_AS)[1]
        resource.setrlimit(resource.RLIMIT_AS, (address_space, hard))

    return limit
