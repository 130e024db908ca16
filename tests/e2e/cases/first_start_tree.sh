#!/bin/bash
# A first start writes the whole settings tree with its defaults: the export
# of HKCU\Software\Tandreller must be exactly expected/first-start.reg.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_start_vestun
e2e_wait_vestun_ready
# The program is past its start-up, so the tree is complete; exporting while
# it runs spares a second boot of the prefix.
e2e_reg_export 'HKCU\Software\Tandreller' "$E2E_ARTIFACTS/tree.reg"
expect_file_eq "settings tree after a first start" "$E2E_ARTIFACTS/tree.reg" \
  "$(dirname "$0")/../expected/first-start.reg"
e2e_pass
