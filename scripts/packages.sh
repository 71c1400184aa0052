# Debian packages the project needs, by purpose. Sourced by ./run.
BUILD_PACKAGES=(
  g++ cmake ninja-build pkg-config dpkg-dev
  libsqlite3-dev libpq-dev libpcsclite-dev libasound2-dev libical-dev qt6-base-dev
  qt6-charts-dev libqt6opengl6-dev
  libgtest-dev libgmock-dev libbenchmark-dev
)
RUNTIME_PACKAGES=(
  qt6-translations-l10n fonts-liberation2
)
# The real PC/SC stack with a virtual reader and card, a pty relay, a display for screenshots,
# a PostgreSQL server the tests start in a temp folder (its psql runs the site set-up script).
TEST_PACKAGES=(
  pcscd vsmartcard-vpcd python3-virtualsmartcard socat sqlite3 postgresql procps
  xvfb xauth xdotool faketime imagemagick
)
