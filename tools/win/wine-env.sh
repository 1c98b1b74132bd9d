# Sourced by the Windows scripts: the Wine environment for a prefix private to
# one build folder. Usage: . tools/win/wine-env.sh PREFIX_DIR
# WINEDLLOVERRIDES switches off the .NET and HTML engines, whose first-run
# installers would otherwise ask for downloads; WINEDEBUG silences Wine's own
# diagnostics so that test output stays readable.
export WINEPREFIX="$1"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
