// Drives `olva mcp` through the official MCP TypeScript SDK client, the way
// an AI client would: connect, list the tools, compile their input schemas
// with a strict JSON Schema 2020-12 validator, and call every tool on a
// scratch data directory.
//
// usage: node interop.mjs <path of olva> <scratch folder>
import { Client } from '@modelcontextprotocol/sdk/client/index.js';
import { StdioClientTransport } from '@modelcontextprotocol/sdk/client/stdio.js';
import { ResultSchema } from '@modelcontextprotocol/sdk/types.js';
import Ajv2020 from 'ajv/dist/2020.js';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

const [olva, scratchRoot] = process.argv.slice(2);
if (!olva || !scratchRoot) {
    console.error('usage: node interop.mjs <olva> <scratch folder>');
    process.exit(2);
}

fs.mkdirSync(scratchRoot, { recursive: true });
const scratch = fs.mkdtempSync(path.join(scratchRoot, 'mcp-'));
const home = path.join(scratch, 'data');
const inbox = path.join(scratch, 'Inbox');
const archive = path.join(scratch, 'Archive');
for (const dir of [home, inbox, archive]) fs.mkdirSync(dir, { recursive: true });
fs.writeFileSync(path.join(inbox, 'notes.txt'), 'some notes\n');
fs.writeFileSync(path.join(inbox, 'build.log'), 'a log\n');

const rulesFile = path.join(home, 'rules.json');
const liveRule = {
    name: 'Archive notes',
    enabled: true,
    dryRun: false,
    match: { mode: 'all', items: [{ attr: 'ext', op: 'is', value: 'txt' }] },
    actions: [{ move: { to: archive } }],
};
fs.writeFileSync(rulesFile, JSON.stringify({ paused: false, folders: [{ path: inbox, depth: 0, paused: false, rules: [liveRule] }] }));

const env = { ...process.env, OLVA_HOME: home };

// Every file below the scratch folder with its size and modification time.
function snapshot() {
    const out = [];
    const walk = (dir) => {
        for (const name of fs.readdirSync(dir).sort()) {
            const full = path.join(dir, name);
            const stat = fs.statSync(full);
            if (stat.isDirectory()) walk(full);
            else out.push(`${path.relative(scratch, full)} ${stat.size} ${stat.mtimeMs}`);
        }
    };
    walk(scratch);
    return out.join('\n');
}

function text(result) {
    assert.equal(result.content.length, 1);
    assert.equal(result.content[0].type, 'text');
    return result.content[0].text;
}

async function call(client, name, args) {
    const result = await client.callTool({ name, arguments: args });
    if (result.isError) throw new Error(`${name} failed: ${text(result)}`);
    return JSON.parse(text(result));
}

async function callError(client, name, args) {
    const result = await client.callTool({ name, arguments: args });
    assert.equal(result.isError, true, `${name} should fail`);
    return text(result);
}

{
    // A live run moves notes.txt into Archive and logs it.
    const once = spawnSync(olva, ['once'], { env, encoding: 'utf8' });
    assert.equal(once.status, 0, `olva once failed: ${once.stderr}`);
    assert.ok(fs.existsSync(path.join(archive, 'notes.txt')), 'olva once did not move notes.txt');
}

const transport = new StdioClientTransport({ command: olva, args: ['mcp'], env, stderr: 'inherit' });
const client = new Client({ name: 'olva-interop-test', version: '1.0.0' });
await client.connect(transport);
try {
    assert.equal(client.getServerVersion().name, 'olva');
    assert.match(client.getInstructions(), /list_folders/);

    // The eight tools, in order, each with a schema a strict validator compiles.
    const { tools } = await client.listTools();
    assert.deepEqual(tools.map((tool) => tool.name), [
        'list_folders', 'list_rules', 'preview_rule', 'create_rule',
        'update_rule', 'explain_file', 'recent_activity', 'revert_activity',
    ]);
    const ajv = new Ajv2020({ strict: true, allErrors: true });
    const validators = {};
    for (const tool of tools) validators[tool.name] = ajv.compile(tool.inputSchema);

    const trashRule = { name: 'Old logs', match: { mode: 'all', items: [{ attr: 'ext', op: 'is', value: 'log' }] }, actions: [{ trash: {} }] };
    const nested = { name: 'Nested', match: { mode: 'any', items: [{ mode: 'none', items: [{ attr: 'size', op: 'gt', value: '1 MB' }] }] }, actions: [{ addTags: { tags: ['x'] } }] };
    assert.ok(validators.preview_rule({ folder: inbox, rule: trashRule }), JSON.stringify(validators.preview_rule.errors));
    assert.ok(validators.create_rule({ folder: inbox, rule: nested }), JSON.stringify(validators.create_rule.errors));
    assert.ok(!validators.create_rule({ folder: inbox, rule: { ...trashRule, actions: [{ shell: { script: 'rm -rf ~' } }] } }));
    assert.ok(!validators.create_rule({ folder: inbox, rule: { ...trashRule, actions: [{ trash: {}, move: { to: '/x' } }] } }));
    assert.ok(!validators.update_rule({ folder: inbox, rule: trashRule, expectedName: 'x', index: -1 }));
    assert.ok(validators.list_folders({}));
    assert.ok(validators.recent_activity({}));

    // Reading.
    assert.deepEqual(await call(client, 'list_folders', {}), [{ depth: 0, path: inbox, paused: false, rules: 1 }]);
    const listed = await call(client, 'list_rules', { folder: inbox });
    assert.equal(listed.length, 1);
    assert.equal(listed[0].index, 0);
    assert.equal(listed[0].rule.name, 'Archive notes');
    assert.match(await callError(client, 'list_rules', { folder: path.join(scratch, 'Elsewhere') }), /isn't a watched folder/);
    assert.equal(await callError(client, 'list_rules', { folder: '' }), 'folder is required');

    // A preview changes nothing, not even the rules file.
    const rulesBefore = fs.readFileSync(rulesFile, 'utf8');
    {
        const filesBefore = snapshot();
        const preview = await call(client, 'preview_rule', { folder: inbox, rule: { ...trashRule, actions: [{ move: { to: archive } }] } });
        const row = preview.find((item) => item.file.endsWith('/build.log'));
        assert.ok(row && row.matches, JSON.stringify(preview));
        assert.equal(row.wouldDo[0].kind, 'move');
        assert.equal(row.wouldDo[0].to, path.join(archive, 'build.log'));
        assert.equal(snapshot(), filesBefore);
        assert.equal(fs.readFileSync(rulesFile, 'utf8'), rulesBefore);
    }

    // Created and updated rules are dry runs, whatever the client asked.
    const created = await call(client, 'create_rule', { folder: inbox, rule: { ...trashRule, dryRun: false } });
    assert.deepEqual(created, { index: 1, note: 'Saved as a dry run. The user turns it live in Olva.' });
    let stored = JSON.parse(fs.readFileSync(rulesFile, 'utf8'));
    assert.equal(stored.folders[0].rules[1].name, 'Old logs');
    assert.equal(stored.folders[0].rules[1].dryRun, true);
    assert.equal(stored.folders[0].rules[0].dryRun, false, 'the rule already there was changed');

    const updated = await call(client, 'update_rule', { folder: inbox, index: 1, expectedName: 'Old logs', rule: { ...nested, name: 'Tagged' } });
    assert.deepEqual(updated, { note: 'Saved as a dry run. The user turns it live in Olva.' });
    stored = JSON.parse(fs.readFileSync(rulesFile, 'utf8'));
    assert.equal(stored.folders[0].rules[1].name, 'Tagged');
    assert.equal(stored.folders[0].rules[1].dryRun, true);
    assert.equal(await callError(client, 'update_rule', { folder: inbox, index: 1, expectedName: 'Old logs', rule: trashRule }),
        'the rule at index 1 is now "Tagged", list the rules again');
    assert.equal(await callError(client, 'create_rule', { folder: inbox, rule: { ...trashRule, actions: [{ shell: { script: 'true' } }] } }),
        'shell scripts can only be added in Olva itself');

    {
        const explained = await call(client, 'explain_file', { path: path.join(inbox, 'build.log') });
        assert.deepEqual(explained.map((item) => item.rule), ['Archive notes', 'Tagged']);
        assert.equal(explained[0].matches, false);
        assert.equal(explained[0].checks[0].actual, 'log');

        // The live run of `olva once` can be read and reverted.
        const activity = await call(client, 'recent_activity', { limit: 5 });
        assert.equal(activity.length, 1, JSON.stringify(activity));
        assert.equal(activity[0].rule, 'Archive notes');
        assert.equal(activity[0].dryRun, false);
        const reverted = await call(client, 'revert_activity', { id: activity[0].id.slice(0, 8).toLowerCase() });
        assert.deepEqual(reverted, { file: path.join(inbox, 'notes.txt'), rule: 'Archive notes', scriptsNotReverted: false });
        assert.ok(fs.existsSync(path.join(inbox, 'notes.txt')), 'the revert did not put notes.txt back');
        assert.ok(!fs.existsSync(path.join(archive, 'notes.txt')));
        assert.equal(fs.readFileSync(path.join(inbox, 'notes.txt'), 'utf8'), 'some notes\n');
        assert.match(await callError(client, 'revert_activity', { id: activity[0].id }), /^0 activity entries match|already undone/);
    }
    assert.equal(await callError(client, 'revert_activity', { id: '' }), 'id is required');

    // A name outside the eight is a protocol error, not a tool result.
    await assert.rejects(client.callTool({ name: 'delete_everything', arguments: {} }), (error) => error.code === -32602);
    // The ping result carries "resultType" and "_meta", which the SDK's own
    // ping() refuses (it wants an empty object), so it is read as a plain result.
    const pong = await client.request({ method: 'ping' }, ResultSchema);
    assert.equal(pong.resultType, 'complete');
} finally {
    await client.close();
}
fs.rmSync(scratch, { recursive: true, force: true });
console.log('olva mcp: the SDK client connected, compiled 8 schemas and called every tool');
