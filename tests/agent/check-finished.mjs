// Checks the app's finished list after the agent runs of agent-end-to-end.sh:
//   node check-finished.mjs <finished.json> <failing runs> <server-error runs>
// A failing run ("failing-N") leaves its failed shell command (with the command's duration)
// and a broke run; a server error ("error-N") leaves a crashed run that keeps its title.
// Nothing may be missing and nothing doubled.
import fs from 'node:fs';

const [file, failingRuns, errorRuns] = process.argv.slice(2);
const runs = JSON.parse(fs.readFileSync(file, 'utf8'));
const problems = [];
const title = 'run the tests';

function rowsOf(project) { return runs.filter((run) => run.project === project); }

for (let index = 1; index <= Number(failingRuns); index += 1) {
  const project = `failing-${index}`;
  const rows = rowsOf(project);
  const shell = rows.filter((run) => run.chip === 'shell');
  const agent = rows.filter((run) => run.chip === 'claude');
  if (shell.length !== 1 || agent.length !== 1) {
    problems.push(`${project}: ${shell.length} shell and ${agent.length} agent rows, not one each`);
    continue;
  }
  if (shell[0].ok !== false || !shell[0].title.startsWith('sleep 11') || !(shell[0].duration >= 10)) {
    problems.push(`${project}: the shell row is ${JSON.stringify(shell[0])}`);
  }
  if (agent[0].ok !== false || agent[0].title !== title) {
    problems.push(`${project}: the run is not broke with its title: ${JSON.stringify(agent[0])}`);
  }
}
for (let index = 1; index <= Number(errorRuns); index += 1) {
  const project = `error-${index}`;
  const rows = rowsOf(project);
  if (rows.length !== 1 || rows[0].chip !== 'claude' || rows[0].ok !== false || rows[0].title !== title) {
    problems.push(`${project}: expected one crashed run titled "${title}", got ${JSON.stringify(rows)}`);
  }
}
if (problems.length > 0) {
  console.log(problems.join('\n'));
  console.log(`finished list: ${JSON.stringify(runs, null, 1)}`);
  process.exit(1);
}
console.log(`finished list complete: ${runs.length} rows`);
