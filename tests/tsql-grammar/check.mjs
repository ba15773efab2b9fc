// Parses T-SQL with a grammar of its own kind (sqlparser-rs, MsSql dialect):
//   node check.mjs --reads FILE    every statement must parse, as one statement
//   node check.mjs --script FILE   every batch (parted by GO lines) must parse,
//                                  but for the kinds this grammar does not know
// Batches are parted by lines that hold only GO. Ends with "N passed, N failed".
import { init, parse } from '@guanmingchiu/sqlparser-ts';
import fs from 'fs';

// What sqlparser-rs 0.62 does not read of T-SQL: procedure bodies (a parameter
// list without parentheses, BEGIN TRY / CATCH, OUTPUT parameters), logins and
// users for logins or without one, rights on a schema, a user or on columns, owners given
// (ALTER AUTHORIZATION). Each is named in the summary. Lines of sqlcmd's own
// commands (":on error ...") are sqlcmd's, not T-SQL: they are left out.
const notCovered = [
  ['CREATE LOGIN', /\bCREATE\s+LOGIN\b/i],
  ['CREATE PROCEDURE', /^\s*CREATE\s+(OR\s+ALTER\s+)?PROC(EDURE)?\b/i],
  ['CREATE USER ... FOR LOGIN', /\bCREATE\s+USER\s+\S+\s+FOR\s+LOGIN\b/i],
  ['CREATE USER ... WITHOUT LOGIN', /\bCREATE\s+USER\s+\S+\s+WITHOUT\s+LOGIN\b/i],
  ['GRANT ... ON SCHEMA::', /\b(GRANT|DENY|REVOKE)\b[^;]*\bON\s+SCHEMA::/i],
  ['GRANT ... ON USER::', /\b(GRANT|DENY|REVOKE)\b[^;]*\bON\s+USER::/i],
  ['DENY on columns', /\bDENY\s+SELECT\s+ON\s+\S+\s*\(/i],
  ['ALTER AUTHORIZATION', /^\s*ALTER\s+AUTHORIZATION\b/im],
];
// Nor the query hints that end a statement, OPTION (...): such a statement is
// parsed without them, and counted in the summary.
const hints = /\bOPTION\s*\((?:[^()]|\([^()]*\))*\)\s*;?\s*$/i;
// Nor join hints (INNER MERGE JOIN, LEFT OUTER HASH JOIN ...): parsed without the
// hint word, and counted.
const joinHints = /\b(INNER|OUTER|LEFT|RIGHT|FULL)(\s+)(LOOP|HASH|MERGE|REMOTE)\s+(?=JOIN\b)/gi;

await init();
let passed = 0;
let failed = 0;
const skipped = new Map();
const code = (batch) => batch.replace(/^\s*--.*$/gm, '').replace(/^:.*$/gm, '').trim();
const args = process.argv.slice(2);
for (let i = 0; i + 1 < args.length; i += 2) {
  const [mode, file] = [args[i], args[i + 1]];
  const batches = fs.readFileSync(file, 'utf8').split(/^GO[ \t]*$/m).map(code).filter((b) => b);
  for (const batch of batches) {
    if (mode === '--script') {
      const kind = notCovered.find(([, re]) => re.test(batch));
      if (kind) {
        skipped.set(kind[0], (skipped.get(kind[0]) || 0) + 1);
        continue;
      }
    }
    let text = batch;
    if (hints.test(text)) {
      text = text.replace(hints, '');
      skipped.set('OPTION (...) hints, parsed without them', (skipped.get('OPTION (...) hints, parsed without them') || 0) + 1);
    }
    if (joinHints.test(text)) {
      text = text.replace(joinHints, '$1$2');
      skipped.set('join hints, parsed without them', (skipped.get('join hints, parsed without them') || 0) + 1);
    }
    joinHints.lastIndex = 0;
    try {
      const statements = parse(text, 'mssql');
      if (mode === '--reads' && statements.length !== 1)
        throw new Error(`${statements.length} statements where one was sent`);
      ++passed;
    } catch (e) {
      ++failed;
      console.log(`${file}: ${String(e.message || e)}\n    ${batch.slice(0, 300).replace(/\s+/g, ' ')}`);
    }
  }
}
for (const [kind, n] of skipped) console.log(`not covered by the grammar: ${n} x ${kind}`);
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
