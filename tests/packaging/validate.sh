#!/bin/sh
# Runs a validator and fails on its exit code and on anything it reports, hints and
# warnings included; its "successful" summary line is not a report.
out=$("$@" 2>&1) || { printf '%s\n' "$out"; exit 1; }
reported=$(printf '%s\n' "$out" | grep -v -e '^$' -e 'Validation was successful')
[ -z "$reported" ] || { printf '%s\n' "$reported"; exit 1; }
