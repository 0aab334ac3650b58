"""Transact-SQL text handling: tokens, statement splitting and the rewrites
that let SQLite run the statements that the clients send."""

import re

_TOKEN = re.compile(r"""
    (?P<ws>\s+)
  | (?P<comment>--[^\n]*|/\*.*?\*/)
  | (?P<str>[Nn]?'(?:[^']|'')*')
  | (?P<qid>"(?:[^"]|"")*"|\[[^\]]*\])
  | (?P<hex>0[xX][0-9a-fA-F]*)
  | (?P<num>(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?)
  | (?P<var>@@?[\w#$]+)
  | (?P<id>[A-Za-z_#][\w$#]*)
  | (?P<op><>|!=|>=|<=|!<|!>|\|\||\*=|=\*|.)
""", re.X | re.S)


class Tok:
    __slots__ = ('kind', 'text', 'start', 'end')

    def __init__(self, kind, text, start, end):
        self.kind = kind
        self.text = text
        self.start = start
        self.end = end

    @property
    def up(self):
        return self.text.upper() if self.kind == 'id' else self.text

    def __repr__(self):
        return '%s:%r' % (self.kind, self.text)


def tokens(sql, keep_ws=False):
    out = []
    pos = 0
    n = len(sql)
    while pos < n:
        m = _TOKEN.match(sql, pos)
        if not m:
            # an unterminated string or comment runs to the end
            out.append(Tok('str' if sql[pos] in "'N" else 'op', sql[pos:],
                           pos, n))
            break
        kind = m.lastgroup
        if keep_ws or kind not in ('ws', 'comment'):
            out.append(Tok(kind, m.group(), pos, m.end()))
        pos = m.end()
    return out


# Keywords that begin a statement when they stand at the outer level.
_STARTERS = {'SELECT', 'INSERT', 'UPDATE', 'DELETE', 'SET', 'BEGIN',
             'COMMIT', 'ROLLBACK', 'SAVE', 'DECLARE', 'IF', 'EXEC',
             'EXECUTE', 'USE', 'PRINT', 'RAISERROR', 'CREATE', 'DROP',
             'ALTER', 'TRUNCATE', 'READTEXT', 'WRITETEXT', 'RETURN',
             'WHILE', 'GRANT', 'REVOKE', 'DUMP', 'LOAD', 'CHECKPOINT',
             'WAITFOR', 'DBCC', 'PREPARE', 'ELSE', 'END', 'GOTO'}


def split_statements(sql):
    """Splits a batch into statements; returns their texts."""
    toks = tokens(sql)
    if len(toks) > 1 and toks[0].up == 'CREATE' and toks[1].up in (
            'PROC', 'PROCEDURE', 'TRIGGER'):
        # the body of a procedure is the rest of the batch
        return [sql[toks[0].start:toks[-1].end]]
    stmts = []
    cur = []
    depth = 0
    first = None
    seen_set = False
    seen_select = False
    seen_values = False

    def flush():
        if cur:
            stmts.append(sql[cur[0].start:cur[-1].end])

    prev = None
    for t in toks:
        if t.kind == 'op' and t.text == ';' and depth == 0:
            flush()
            cur, first, seen_set, seen_select, prev = [], None, False, \
                False, None
            seen_values = False
            continue
        if t.kind == 'op' and t.text == '(':
            depth += 1
        elif t.kind == 'op' and t.text == ')':
            depth = max(0, depth - 1)
        up = t.up if t.kind == 'id' else None
        if depth == 0 and up in _STARTERS and cur and not _continues(
                first, up, prev, seen_set, seen_select or seen_values, cur):
            flush()
            cur, first, seen_set, seen_select = [], None, False, False
            seen_values = False
        if not cur:
            first = up
        if up == 'SET':
            seen_set = True
        if up == 'SELECT':
            seen_select = True
        if up == 'VALUES' and depth == 0:
            seen_values = True
        cur.append(t)
        prev = t
    flush()
    return stmts


def _continues(first, up, prev, seen_set, seen_select, cur):
    """True when keyword `up` belongs to the statement begun by `first`."""
    p = prev.up if prev is not None and prev.kind == 'id' else (
        prev.text if prev is not None else '')
    if up == 'SELECT':
        if p in ('UNION', 'ALL', 'EXCEPT', 'INTERSECT', '(', 'AS', 'FOR'):
            return True
        if first == 'INSERT' and not seen_select:
            return True
        return False
    if up == 'SET':
        return first == 'UPDATE' and not seen_set
    if up in ('DELETE', 'UPDATE', 'INSERT'):
        # "ON DELETE CASCADE", "FOR UPDATE", "FOR INSERT"
        return p in ('ON', 'FOR', ',') or first in ('GRANT', 'REVOKE')
    if up in ('BEGIN', 'COMMIT', 'ROLLBACK', 'SAVE'):
        return False
    if up == 'EXEC' or up == 'EXECUTE':
        return first in ('INSERT', 'GRANT', 'REVOKE')
    if up in ('CREATE', 'DROP', 'ALTER'):
        return first in ('GRANT', 'REVOKE')
    if up in ('END', 'ELSE'):
        return first in ('CASE',) or _inside_case(cur)
    return False


def _inside_case(cur):
    depth = 0
    for t in cur:
        if t.kind == 'id':
            if t.up == 'CASE':
                depth += 1
            elif t.up == 'END' and depth:
                depth -= 1
    return depth > 0


def first_words(sql, n=3):
    return [t.up for t in tokens(sql)[:n] if t.kind == 'id']


_DATE_FUNCS = {'DATEPART', 'DATENAME', 'DATEADD', 'DATEDIFF'}
_PARAM_RE = re.compile(r'^@[A-Za-z_][\w]*$')


def to_sqlite(sql, variables=None, char_columns=()):
    """Rewrites Transact-SQL for SQLite.  Returns (text, top) where top is the
    number of a leading TOP clause (moved into a LIMIT) or None.
    `char_columns` are the (lower-case) names of character columns: a `+`
    next to one of them joins strings."""
    toks = tokens(sql, keep_ws=True)
    out = []
    top = None
    i = 0
    sig = [k for k, t in enumerate(toks) if t.kind not in ('ws', 'comment')]
    pos_in_sig = {k: j for j, k in enumerate(sig)}

    def nxt(k, step=1):
        j = pos_in_sig[k] + step
        return toks[sig[j]] if 0 <= j < len(sig) else None

    while i < len(toks):
        t = toks[i]
        if t.kind == 'comment':
            out.append(' ')
        elif t.kind == 'str':
            s = t.text[1:] if t.text[0] in 'Nn' else t.text
            out.append(s)
        elif t.kind == 'num' and '.' in t.text and 'e' not in t.text.lower() \
                and len(t.text.replace('.', '').lstrip('0')) > 15:
            # beyond a double's digits: keep the exact text for decimal
            # and money columns
            sign = ''
            before = nxt(i, -1)
            if before is not None and before.text == '-':
                b2 = nxt(i, -2)
                if b2 is None or b2.text in ('(', ',', '=', '<', '>', '<=',
                                             '>=', '<>', '!=') or \
                        b2.up in ('VALUES', 'SELECT', 'AND', 'OR', 'SET'):
                    k = len(out) - 1
                    while k >= 0 and out[k].strip() == '':
                        k -= 1
                    if k >= 0 and out[k] == '-':
                        del out[k:]
                        sign = '-'
            out.append("'%s%s'" % (sign, t.text))
        elif t.kind == 'hex':
            h = t.text[2:]
            if len(h) % 2:
                h = '0' + h
            out.append("X'%s'" % h)
        elif t.kind == 'var' and t.text.startswith('@@'):
            out.append("vx_global('%s')" % t.text[2:].lower())
        elif t.kind == 'var' and variables is not None and \
                t.text.lower() in variables:
            out.append(':v_' + t.text[1:].lower())
        elif t.kind == 'op' and t.text in ('!<', '!>'):
            out.append('>=' if t.text == '!<' else '<=')
        elif t.kind == 'op' and t.text == '+' and _stringish(
                nxt(i, -1), nxt(i, 1), char_columns, variables):
            out.append('||')
        elif t.kind == 'id' and t.up == 'CONVERT' and nxt(i) is not None \
                and nxt(i).text == '(':
            # convert(type[(n[,m])], expr[, style]) -> vx_convert('type', ...)
            j = pos_in_sig[i] + 2
            tt = []
            while j < len(sig) and toks[sig[j]].text != ',':
                tt.append(toks[sig[j]].text)
                j += 1
            if j < len(sig):
                out.append("vx_convert('%s'," % ''.join(
                    ' ' if x == '' else x for x in tt).replace("'", ''))
                i = sig[j] + 1
                continue
            out.append(t.text)
        elif t.kind == 'id' and t.up == 'TEXTPTR' and nxt(i) is not None \
                and nxt(i).text == '(':
            # textptr(col) -> the pointer of the row holding col
            j = pos_in_sig[i] + 2
            parts = []
            while j < len(sig) and toks[sig[j]].text != ')':
                parts.append(toks[sig[j]].text)
                j += 1
            col = ''.join(parts)
            qual = col.rsplit('.', 1)[0] + '.' if '.' in col else ''
            out.append('(case when (%s) is null then null else '
                       'vx_textptr(%s_rowid_) end)' % (col, qual))
            i = sig[j] + 1 if j < len(sig) else len(toks)
            continue
        elif t.kind == 'id' and t.up in _DATE_FUNCS and nxt(i) is not None \
                and nxt(i).text == '(':
            part = nxt(i, 2)
            comma = nxt(i, 3)
            if part is not None and comma is not None and comma.text == ',':
                out.append("vx_%s('%s'," % (t.up.lower(),
                                             part.text.strip("'").lower()))
                i = sig[pos_in_sig[i] + 3] + 1
                continue
            out.append(t.text)
        elif t.kind == 'id' and t.text.startswith('#'):
            # a temporary table: SQLite's temp schema, for this connection
            prev = nxt(i, -1)
            if prev is not None and prev.up == 'TABLE' and \
                    nxt(i, -2) is not None and nxt(i, -2).up == 'CREATE':
                k = len(out) - 1
                while k >= 0 and out[k].strip() == '':
                    k -= 1
                out.insert(k, 'TEMP ')
            out.append('"%s"' % t.text)
        elif t.kind == 'id' and t.up == 'ISNULL' and nxt(i) is not None \
                and nxt(i).text == '(':
            # a keyword in SQLite
            out.append('ifnull')
        elif t.kind == 'id' and t.up == 'TOP' and top is None:
            prev = nxt(i, -1)
            num = nxt(i, 1)
            if prev is not None and prev.up in ('SELECT', 'DISTINCT') and \
                    num is not None and num.kind == 'num':
                top = int(float(num.text))
                i = sig[pos_in_sig[i] + 1] + 1
                continue
            out.append(t.text)
        else:
            out.append(t.text)
        i += 1
    text = ''.join(out)
    if top is not None:
        text = text.rstrip().rstrip(';') + ' LIMIT %d' % top
    return text, top


_MON_LITERAL = re.compile(r"^'[A-Za-z]{3}\s+\d{1,2}\s+\d{4}(\s+\d{1,2}:\d{2}"
                          r"(:\d{2}(:\d{1,3})?)?\s*([AaPp][Mm])?)?'$")


def _date_literal(s):
    """A 'Mon dd yyyy [hh:mm:ss:mmmAM]' literal in the ISO form that the
    database stores, so that it compares with stored dates."""
    if not _MON_LITERAL.match(s):
        return s
    import tdstypes
    try:
        dt = tdstypes.to_datetime(s[1:-1])
    except ValueError:
        return s
    return "'%s.%03d'" % (dt.strftime('%Y-%m-%d %H:%M:%S'),
                          dt.microsecond // 1000)


def _stringish(a, b, char_columns=(), variables=None):
    """True when a `+` between tokens a and b joins strings: one side is a
    string literal, or a character column or string variable while the
    other side is not a number."""
    def text(t):
        if t is None:
            return False
        if t.kind == 'str':
            return True
        if t.kind in ('id', 'qid'):
            return t.text.strip('[]"').lower() in char_columns
        if t.kind == 'var' and variables:
            return isinstance(variables.get(t.text.lower()), str)
        return False

    def number(t):
        return t is not None and t.kind == 'num'
    if (a is not None and a.kind == 'str') or (b is not None and
                                               b.kind == 'str'):
        return True
    return (text(a) and not number(b)) or (text(b) and not number(a))


def split_args(text):
    """Splits an EXEC argument list into (name or None, literal text)."""
    toks = tokens(text)
    args = []
    cur = []
    depth = 0
    for t in toks:
        if t.text == '(':
            depth += 1
        elif t.text == ')':
            depth -= 1
        if t.text == ',' and depth == 0:
            args.append(cur)
            cur = []
            continue
        cur.append(t)
    if cur or args:
        args.append(cur)
    out = []
    for a in args:
        name = None
        if len(a) >= 2 and a[0].kind == 'var' and a[1].text == '=':
            name = a[0].text
            a = a[2:]
        output = False
        if a and a[-1].kind == 'id' and a[-1].up in ('OUTPUT', 'OUT'):
            output = True
            a = a[:-1]
        txt = text[a[0].start:a[-1].end] if a else ''
        out.append((name, txt, output))
    return out


def literal_value(txt):
    """The Python value of a literal argument (string, number, NULL, hex)."""
    s = txt.strip()
    if not s:
        return None
    if s.upper() == 'NULL':
        return None
    if s[0] in 'Nn' and len(s) > 1 and s[1] == "'":
        s = s[1:]
    if s[0] == "'" and s[-1] == "'" and len(s) >= 2:
        return s[1:-1].replace("''", "'")
    if s[0] == '"' and s[-1] == '"' and len(s) >= 2:
        return s[1:-1].replace('""', '"')
    if s[:2].lower() == '0x':
        return bytes.fromhex(s[2:] if len(s) % 2 == 0 else '0' + s[2:])
    try:
        return int(s)
    except ValueError:
        pass
    try:
        return float(s)
    except ValueError:
        return s


def number_markers(sql):
    """Replaces each ? marker with @vxpN (N from 1); returns (text, count)."""
    out = []
    n = 0
    for t in tokens(sql, keep_ws=True):
        if t.kind == 'op' and t.text == '?':
            n += 1
            out.append('@vxp%d' % n)
        else:
            out.append(t.text)
    return ''.join(out), n


def select_list(sql):
    """The expressions of a SELECT's select list (texts), or None."""
    toks = tokens(sql)
    if not toks or toks[0].up != 'SELECT':
        return None
    i = 1
    while i < len(toks) and toks[i].up in ('DISTINCT', 'ALL'):
        i += 1
    items = []
    cur = []
    depth = 0
    for t in toks[i:]:
        if t.text == '(':
            depth += 1
        elif t.text == ')':
            depth -= 1
        if depth == 0 and t.kind == 'id' and t.up in ('FROM', 'WHERE',
                                                      'UNION', 'ORDER',
                                                      'GROUP', 'LIMIT',
                                                      'INTO'):
            break
        if depth == 0 and t.text == ',':
            items.append(cur)
            cur = []
            continue
        cur.append(t)
    if cur:
        items.append(cur)
    return [sql[it[0].start:it[-1].end] for it in items if it]
