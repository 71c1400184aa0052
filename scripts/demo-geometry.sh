#!/usr/bin/env bash
# Where the demo clicks: X Y inside the window, and the window's width, in pixels, as the two
# forms lay out with Liberation Sans (fonts-liberation2) from their dialog-unit templates at a
# scale of 1. The demo scales X and Y by the window's actual width over that one, so that a
# desktop scaling its windows (a high-resolution screen) is clicked in the same places.
case "$1" in
  tarvo-door3) echo "277 152 624" ;;     # the "Puerta3" radio button
  tarvo-door5) echo "367 152 624" ;;     # the "Puerta5" radio button
  mireval-dni) echo "190 65 640" ;;      # the DNI box
  mireval-search) echo "316 286 640" ;;  # "Buscar Registro"
  mireval-clear) echo "121 286 640" ;;   # "Limpiar Formulario"
  mireval-save) echo "515 286 640" ;;    # "Añadir Registro", "GUARDAR" in edit mode
  mireval-modify) echo "515 328 640" ;;  # "Modificar Datos de Registro"
  mireval-door3) echo "128 216 640" ;;   # the door boxes "P3" and "P5"
  mireval-door5) echo "198 216 640" ;;
  *) echo "demo-geometry: unknown place $1" >&2; exit 2 ;;
esac
