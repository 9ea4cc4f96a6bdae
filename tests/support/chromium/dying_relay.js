// Stands in for relay.js in the failure tests: reports a running browser, then dies at the first
// command it gets.
'use strict';
process.stdout.write('{"type":"ready"}\n');
process.stdin.once('data', () => process.exit(3));
