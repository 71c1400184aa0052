#!/usr/bin/env bash
# Where the demo clicks: X Y inside the window, and the window's width, in pixels, as the two
# forms lay out with Liberation Sans (fonts-liberation2) from their dialog-unit templates at a
# scale of 1. The demo scales X and Y by the window's actual width over that one, so that a
# desktop scaling its windows (a high-resolution screen) is clicked in the same places.
case "$1" in
  tarvo-door3) echo "277 152 624" ;;     # the "Puerta3" radio button
  mireval-dni) echo "190 65 640" ;;      # the DNI box
  mireval-search) echo "316 286 640" ;;  # "Buscar Registro"
  *) echo "demo-geometry: unknown place $1" >&2; exit 2 ;;
esac
