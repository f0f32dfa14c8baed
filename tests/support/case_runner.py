"""The one runner of the Python test drivers' cases. A driver marks each case
with @case and ends in case_runner.main(); cindral_add_python_cases
(python_cases.cmake) registers each case that `DRIVER --list` names as a test
of its own, run as `DRIVER [OPTIONS] --case NAME`: "passed" and exit 0,
"FAILED: why" and exit 1, or "skipped: why" and cindral_env.SKIP_STATUS where
it needs what this machine cannot run (cindral_env.Skipped). A case fails by
raising AssertionError (check(), Failure, cindral_env.wait_for); so does one
that is stopped (SIGTERM, the driver's time limit), so that its `with` blocks
still end what it started.
"""
import argparse
import os
import signal
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import cindral_env  # noqa: E402  (the drivers' test environment)

CASES = {}


def case(fn=None, **options):
    """Registers a case under its function's name; `options` go to the
    driver's session with it."""
    def register(f):
        CASES[f.__name__] = (f, options)
        return f
    return register(fn) if fn is not None else register


class Failure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def check_equal(actual, expected, what):
    if actual != expected:
        raise Failure("%s: %r, expected %r" % (what, actual, expected))


def main(session=None, arguments=None, setup=None, seconds=None):
    """Runs what the command line asks. `arguments(parser)` adds the driver's
    options. A case gets `session(args, name, **options)`, a context manager
    that gives what the case works with, or `args` without one. With `setup`,
    --setup runs setup(args) instead of a case (say, to make a fixture ready).
    `seconds` limits a case, below CTest's time-out."""
    parser = argparse.ArgumentParser(description=sys.modules["__main__"].__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--list", action="store_true", help="print the cases' names")
    parser.add_argument("--case", help="run this case")
    if setup is not None:
        parser.add_argument("--setup", action="store_true", help="make ready what every case needs")
    if arguments is not None:
        arguments(parser)
    args = parser.parse_args()
    if args.list:
        print("\n".join(CASES))
        return 0

    def stop(why):
        def handler(*_):
            raise Failure(why)
        return handler

    signal.signal(signal.SIGTERM, stop("terminated"))
    if seconds:
        signal.signal(signal.SIGALRM, stop("the case took longer than %d s" % seconds))
        signal.alarm(seconds)
    try:
        if setup is not None and args.setup:
            setup(args)
        elif args.case not in CASES:
            print("unknown case %r; --list names them" % args.case, file=sys.stderr)
            return 2
        else:
            function, options = CASES[args.case]
            if session is None:
                function(args, **options)
            else:
                with session(args, args.case, **options) as s:
                    function(s)
    except AssertionError as failure:
        print("FAILED: %s" % failure)
        return 1
    except cindral_env.Skipped as why:
        print("skipped: %s" % why)
        return cindral_env.SKIP_STATUS
    finally:
        signal.alarm(0)
    print("passed")
    return 0
