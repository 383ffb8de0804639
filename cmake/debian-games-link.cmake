# Run by CPack while it installs the Debian package's files: the program is
# also reachable as /usr/games/tapquill, where Debian keeps its games.
set(root "$ENV{DESTDIR}${CPACK_PACKAGING_INSTALL_PREFIX}")
file(MAKE_DIRECTORY "${root}/games")
file(CREATE_LINK ../bin/tapquill "${root}/games/tapquill" SYMBOLIC)
