#!/bin/sh
# Runs a Windows program under wine, for test discovery, the unit tests and the end-to-end tests.
# Wine's services (the desktop, device and RPC processes) start with the first program of a wine server
# and inherit its standard output: a test reading that output to its end would then wait for them too.
# So a new server is made persistent for 30 s after its last program, and its services are started here
# with no output at all; later programs find them running.
if wineserver -p30 2>/dev/null; then
    wine wineboot </dev/null >/dev/null 2>&1
fi
exec wine "$@"
