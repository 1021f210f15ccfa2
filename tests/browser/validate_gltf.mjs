// Validates glTF files with the Khronos glTF validator (the npm package gltf-validator) and
// prints, for each, "= ERRORS WARNINGS FILE", followed by its first messages as "  " lines.
// Ends with status 0 once every file was read, whatever the reports say: the tests judge them.
//
//   node validate_gltf.mjs FILE...
import { readFile } from "node:fs/promises";
import { basename } from "node:path";
import validator from "gltf-validator";

for (const file of process.argv.slice(2)) {
  const report = await validator.validateBytes(new Uint8Array(await readFile(file)), {
    uri: basename(file),
    maxIssues: 20,
  });
  const { numErrors, numWarnings, messages } = report.issues;
  console.log(`= ${numErrors} ${numWarnings} ${file}`);
  for (const message of messages.filter((m) => m.severity <= 1)) {
    console.log(`  ${message.code} at ${message.pointer || "-"}: ${message.message}`);
  }
}
