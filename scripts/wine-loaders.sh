# Sourced: Wine's loaders. Debian's wine 8 starts programs through /usr/lib/wine/wine (a 32-bit
# Linux program, which also starts 64-bit ones) unless wine64 is called directly.
TAVRO_WINE32=/usr/lib/wine/wine
TAVRO_WINE64=/usr/lib/wine/wine64
TAVRO_WINESERVER=/usr/lib/wine/wineserver

# True when the kernel runs 32-bit Linux programs, i.e. Wine can start 32-bit Windows programs.
tavro_can_run_i386() {
  "$TAVRO_WINE32" --version >/dev/null 2>&1
}

# The loader to use for Wine's own tools (wineboot, reg, cmd).
tavro_wine_tool() {
  if tavro_can_run_i386; then echo "$TAVRO_WINE32"; else echo "$TAVRO_WINE64"; fi
}
