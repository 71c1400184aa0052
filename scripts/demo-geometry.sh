#!/usr/bin/env bash
# Where the demo clicks, in pixels inside each window, as the two forms lay out with
# Liberation Sans (fonts-liberation2) from their dialog-unit templates.
case "$1" in
  tarvo-door3) echo "277 152" ;;     # the "Puerta3" radio button
  mireval-dni) echo "190 65" ;;      # the DNI box
  mireval-search) echo "316 286" ;;  # "Buscar Registro"
  *) echo "demo-geometry: unknown place $1" >&2; exit 2 ;;
esac
