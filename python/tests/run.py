"""Runs one test file of the Python module. Without numpy or the built module the file is
skipped (exit 77, which ctest shows as skipped), except under CI, where that is a failure."""
import os
import sys
import unittest


def missing(why):
    if os.environ.get("CI") == "true":
        print(f"FAIL: {why}; CI must run the Python tests")
        sys.exit(1)
    print(f"SKIP: {why}")
    sys.exit(77)


def main():
    test_file = sys.argv[1]
    try:
        import numpy  # noqa: F401
    except ImportError:
        missing("numpy is not installed (Debian: python3-numpy)")
    module_dir = os.environ.get("VYR_PYTHON_DIR", "")
    if not module_dir:
        missing("the module was not built: pybind11-dev, python3-dev or python3-numpy were "
                "missing when the build was configured (or -DVYR_PYTHON=OFF)")
    sys.path.insert(0, module_dir)
    try:
        import vyr  # noqa: F401
    except ImportError as error:
        missing(f"import vyr from {module_dir} failed: {error}")
    sys.path.insert(0, os.path.dirname(os.path.abspath(test_file)))
    name = os.path.splitext(os.path.basename(test_file))[0]
    suite = unittest.defaultTestLoader.loadTestsFromName(name)
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
