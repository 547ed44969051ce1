#!/usr/bin/env python3
"""The length of the dependency chain through one pass of Md5Update's block
loop, read from the compiled object, for builds that cannot be timed here.

MD5 is one chain of dependent operations, so a block costs the length of
that chain whenever the core has the execution units to spare; the loop is
found in the disassembly (the backward branch around the most rotates), and
its steady-state length per pass is found by following every value through
registers and memory over a dozen passes, with unlimited execution units:
ALU operations one cycle (two for a three-part lea), register moves free,
loads LOAD cycles, and a load of a value stored in the same loop waiting
FORWARD cycles after the store. llvm-mca's resource model gives the other
bound: the cycles per pass if execution units, not the chain, were the limit.

usage: chain_length.py OBJECT [FORWARD ...]
prints one line per FORWARD value: "<cycles per block> <FORWARD>", then
"mca <cycles per block>" if llvm-mca is found.
"""
import re
import shutil
import subprocess
import sys

LOAD = 4


def disassemble(path):
    text = subprocess.run(['objdump', '-d', '--no-show-raw-insn', path],
                          check=True, capture_output=True, text=True).stdout
    functions, name = {}, None
    for line in text.splitlines():
        header = re.match(r'^[0-9a-f]+ <(.+)>:$', line)
        if header:
            name = header.group(1)
            functions[name] = []
            continue
        body = re.match(r'^\s+([0-9a-f]+):\s+(\S+)\s*(.*)$', line)
        if body and name is not None:
            operands = body.group(3).split('#')[0].split('<')[0].strip()
            functions[name].append((int(body.group(1), 16), body.group(2), operands))
    return functions


def hot_loop(instructions):
    """The backward conditional branch whose body holds the most rotates."""
    index_of = {address: i for i, (address, _, _) in enumerate(instructions)}
    best = None
    for end, (_, mnemonic, operands) in enumerate(instructions):
        if mnemonic.startswith('j') and mnemonic != 'jmp':
            target = int(operands.split()[0], 16)
            start = index_of.get(target)
            if start is not None and start < end:
                rotates = sum(1 for _, m, _ in instructions[start:end] if m.startswith(('rol', 'ror')))
                key = (rotates, start - end)
                if best is None or key > best[0]:
                    best = (key, start, end)
    return instructions[best[1]:best[2] + 1]


def split_operands(text):
    operands, depth, current = [], 0, ''
    for ch in text:
        depth += ch == '('
        depth -= ch == ')'
        if ch == ',' and depth == 0:
            operands.append(current.strip())
            current = ''
        else:
            current += ch
    if current.strip():
        operands.append(current.strip())
    return operands


WIDE = {'eax': 'rax', 'ebx': 'rbx', 'ecx': 'rcx', 'edx': 'rdx', 'esi': 'rsi', 'edi': 'rdi',
        'ebp': 'rbp', 'esp': 'rsp'}


def register(operand):
    name = operand.lstrip('%')
    numbered = re.match(r'(r\d+)[dwb]?$', name)
    return numbered.group(1) if numbered else WIDE.get(name, name)


def is_memory(operand):
    return '(' in operand


def address_registers(operand):
    inside = operand[operand.index('(') + 1:operand.index(')')]
    return [register(part.strip()) for part in inside.split(',') if part.strip().startswith('%')]


def lea_latency(operand):
    inside = [p.strip() for p in operand[operand.index('(') + 1:operand.index(')')].split(',')]
    displacement = operand[:operand.index('(')].strip()
    parts = sum(1 for p in inside if p.startswith('%')) + (displacement not in ('', '0', '0x0'))
    scaled = len(inside) == 3 and inside[2] not in ('', '1')
    return 2 if parts >= 3 or scaled else 1


def cycles_per_pass(loop, forward):
    ready_register, ready_memory = {}, {}

    def ready(operand):
        if operand.startswith('$'):
            return 0
        if is_memory(operand):
            address = max([ready_register.get(r, 0) for r in address_registers(operand)] + [0])
            stored = ready_memory.get(operand)
            return max(address + LOAD, stored + forward if stored is not None else 0)
        return ready_register.get(register(operand), 0)

    def write(operand, time):
        if is_memory(operand):
            ready_memory[operand] = time
        else:
            ready_register[register(operand)] = time

    ends = []
    for _ in range(12):
        for _, mnemonic, text in loop:
            operands = split_operands(text)
            if mnemonic.startswith(('j', 'cmp', 'test', 'nop', 'push', 'pop', 'call', 'ret')):
                continue
            if mnemonic.startswith('lea'):
                source, destination = operands
                write(destination, max([ready_register.get(r, 0) for r in address_registers(source)] + [0])
                      + lea_latency(source))
            elif mnemonic.startswith('mov') and len(operands) == 2:
                # A register copy is renamed away; a load or store costs only
                # what ready() charges for the memory side.
                source, destination = operands
                write(destination, ready(source))
            elif mnemonic.startswith('xor') and len(operands) == 2 and operands[0] == operands[1]:
                write(operands[1], 0)
            else:
                if len(operands) == 1:
                    operands = ['$1'] + operands
                write(operands[-1], max(ready(o) for o in operands) + 1)
        ends.append(max(list(ready_register.values()) + list(ready_memory.values())))
    return ends[-1] - ends[-2]


def mca_cycles(loop, triple):
    tool = shutil.which('llvm-mca')
    if tool is None:
        return None
    text = '\n'.join(f'{m} {o}' for _, m, o in loop if not m.startswith('j')) + '\n'
    iterations = 100
    result = subprocess.run([tool, f'-mtriple={triple}', '-mcpu=znver3', f'-iterations={iterations}'],
                            input=text, capture_output=True, text=True)
    found = re.search(r'Block RThroughput:\s+([\d.]+)', result.stdout)
    return float(found.group(1)) if found else None


def main():
    path = sys.argv[1]
    forwards = [int(f) for f in sys.argv[2:]] or [0]
    functions = disassemble(path)
    update = next(name for name in functions if 'Md5Update' in name)
    loop = hot_loop(functions[update])
    wide = any(re.search(r'%r(\d+|[a-d]x|[sd]i|[sb]p)\b', o) for _, _, o in loop)
    for forward in forwards:
        print(cycles_per_pass(loop, forward), forward)
    mca = mca_cycles(loop, 'x86_64-linux-gnu' if wide else 'i686-linux-gnu')
    if mca is not None:
        print('mca', mca)


main()
