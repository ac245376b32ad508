#!/usr/bin/env bash
# pip installs the package offline into a virtual environment (Debian's setuptools builds it,
# nothing is downloaded), and the installed package and its example work there.
#   pip_install_test.sh PYTHON SOURCE_DIR LIBRARY SIMULATOR
set -euo pipefail
python=$1 source=$2 library=$3 simulator=$4
if ! "$python" -c "import venv, ensurepip, setuptools" 2>/dev/null; then
  echo "SKIP: $python lacks venv, ensurepip or setuptools (python3-venv, python3-setuptools)"
  exit 0
fi
work=$(mktemp -d)
cleanup() { rm -rf "$work"; }
trap cleanup EXIT
. "$source/tests/packaging/sim_session.sh"
# No local wheel folder or index from the machine's pip settings may stand in for a download.
for variable in $(env | sed -n 's/^\(PIP_[A-Z_]*\)=.*/\1/p'); do unset "$variable"; done
export PIP_CONFIG_FILE=/dev/null PIP_NO_INDEX=1 PIP_DISABLE_PIP_VERSION_CHECK=1

# From a copy: a build in the checkout would leave build/ and *.egg-info behind.
cp -r "$source/python" "$work/src"
rm -rf "$work/src/tests"
"$python" -m venv --system-site-packages "$work/venv"
"$work/venv/bin/python" -m pip install --no-build-isolation --no-index --quiet "$work/src"
shown=$("$work/venv/bin/python" -m pip show vesmor)
grep -q "^Version: 1.0.0" <<<"$shown"

installed=$(cd "$work" && VESMOR_LIBRARY=$library "$work/venv/bin/python" -c \
            "import vesmor; print(vesmor.__file__)")
case "$installed" in
  "$work"/venv/lib/python3*/site-packages/vesmor/__init__.py) ;;
  *) echo "imported from $installed, not from the virtual environment" >&2; exit 1 ;;
esac
[ -f "$(dirname "$installed")/py.typed" ] || { echo "py.typed is not installed" >&2; exit 1; }

start_simulator "$simulator"
(cd "$work" && VESMOR_LIBRARY=$library "$work/venv/bin/python" \
   "$source/examples/python/tag_example.py" "$port" VENV) | tee "$work/out.txt"
grep -q "block 0: 56 45 4E 56" "$work/out.txt"
echo "pip installed the package offline and it works"
