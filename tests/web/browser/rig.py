"""The programs of one desk on a throwaway data source: the data source made
by qalor-initdb, a CDR line (a socat pseudo-terminal pair) with the collector
on one end and the exchange simulator on the other, a window that follows the
collector, and the web console."""

import os
import re
import shutil
import socket
import subprocess
import tempfile
import time
import uuid

PASSWORD = 'web-console-test'


class Failure(Exception):
    pass


def wait_for(what, test, timeout=60.0, every=0.05):
    """Polls test() until it returns something true; that value is returned.
    A generous deadline: only a fault takes it, never a slow host."""
    deadline = time.monotonic() + timeout
    while True:
        value = test()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure('waited %.0f s in vain for %s' % (timeout, what))
        time.sleep(every)


def free_port():
    with socket.socket() as probe:
        probe.bind(('127.0.0.1', 0))
        return probe.getsockname()[1]


class DataSource:
    """A fresh data source with every table, the demonstration rows and the
    Headkeeper password: an SQLite file, or with QALOR_TEST_BACKEND=postgres
    a new database on the server QALOR_TEST_PG names (dropped afterwards)."""

    def __init__(self, folder, initdb):
        self.database = None
        if os.environ.get('QALOR_TEST_BACKEND') == 'postgres':
            server = os.environ.get('QALOR_TEST_PG', '')
            if not server:
                raise Failure('QALOR_TEST_BACKEND=postgres needs QALOR_TEST_PG')
            self.server = server
            self.database = 'qalor_web_%s' % uuid.uuid4().hex[:12]
            self.psql('postgres', 'CREATE DATABASE %s' % self.database)
            self.connection = '%s;Database=%s' % (server, self.database)
        else:
            self.file = os.path.join(folder, 'tds.sqlite')
            self.connection = 'DRIVER={SQLite3};Database=%s;Timeout=5000;JournalMode=WAL;SyncPragma=FULL' % self.file
        made = subprocess.run([initdb, '--connection', self.connection, '--sample'], input=PASSWORD + '\n',
                              capture_output=True, text=True, timeout=300)
        if made.returncode != 0:
            raise Failure('qalor-initdb failed: ' + made.stderr)

    def field(self, name):
        found = re.search(r'(?:^|;)\s*%s\s*=\s*([^;]*)' % name, self.server, re.IGNORECASE)
        return found.group(1) if found else ''

    def psql(self, database, statement):
        env = dict(os.environ, PGPASSWORD=self.field('Pwd'))
        subprocess.run(['psql', '-X', '-q', '-v', 'ON_ERROR_STOP=1', '-h', self.field('Server'), '-p',
                        self.field('Port'), '-U', self.field('Uid'), '-d', database, '-c', statement],
                       env=env, check=True, capture_output=True, timeout=120)

    def execute(self, statement):
        """One statement on the data source, beside the programs."""
        if self.database:
            self.psql(self.database, statement)
        else:
            subprocess.run(['sqlite3', self.file, statement], check=True, capture_output=True, timeout=120)

    def drop(self):
        if self.database:
            self.psql('postgres', 'DROP DATABASE IF EXISTS %s WITH (FORCE)' % self.database)


class Program:
    """One started program with its output in a log file of the test's
    output folder."""

    def __init__(self, name, command, env, logs, pass_fds=()):
        self.name = name
        self.log_path = os.path.join(logs, name + '.log')
        self.log = open(self.log_path, 'w')
        self.process = subprocess.Popen(command, env=env, stdout=self.log, stderr=subprocess.STDOUT,
                                        stdin=subprocess.DEVNULL, pass_fds=pass_fds)

    def said(self):
        with open(self.log_path, encoding='utf-8', errors='replace') as log:
            return log.read()

    def running(self):
        return self.process.poll() is None

    def stop(self):
        if self.running():
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(10)
        self.log.close()


class Desk:
    def __init__(self, build, output):
        self.build = build
        self.output = output
        self.folder = tempfile.mkdtemp(prefix='qalor-browser.')
        self.programs = []
        self.source = None
        self.line_count = 0
        self.web_port = None

    def program(self, relative):
        path = os.path.join(self.build, relative)
        if not os.access(path, os.X_OK):
            raise Failure(path + ' is missing: build it first')
        return path

    def path(self, *parts):
        return os.path.join(self.folder, *parts)

    def environment(self, name, **extra):
        """Each program has its own data folder; all share the settings that
        map COM1 to the port end of the line and an empty ODBC file."""
        data = self.path('data-' + name)
        os.makedirs(data, mode=0o700, exist_ok=True)
        env = dict(os.environ)
        env.update(QALOR_ODBC=self.source.connection, QALOR_DATA_DIR=data, XDG_CONFIG_HOME=self.path('config'),
                   XDG_DATA_HOME=self.path('xdg-' + name), ODBCINI=self.path('odbc.ini'))
        env.pop('QT_QPA_PLATFORM', None)
        env.update(extra)
        return env

    def start(self, name, command, env, pass_fds=()):
        program = Program(name, command, env, self.output, pass_fds)
        self.programs.append(program)
        return program

    def make(self):
        open(self.path('odbc.ini'), 'w').close()
        self.source = DataSource(self.folder, self.program('tools/initdb/qalor-initdb'))
        settings = self.path('config', 'Local AppWizard-Generated Applications')
        os.makedirs(settings)
        with open(os.path.join(settings, 'qalor.conf'), 'w') as conf:
            conf.write('[SerialPorts]\nCOM1=%s\n' % self.path('com1'))

    def start_line(self):
        self.start('socat', ['socat', 'pty,raw,echo=0,link=' + self.path('pbx'),
                             'pty,raw,echo=0,link=' + self.path('com1')], dict(os.environ))
        wait_for('the pseudo-terminal pair',
                 lambda: os.path.exists(self.path('pbx')) and os.path.exists(self.path('com1')))

    def start_collector(self):
        collector = self.start('collector', [self.program('src/collector/qalor-collector')],
                               self.environment('collector'))
        wait_for('the collector to read the line',
                 lambda: '采集服务已启动' in collector.said() or not collector.running())
        if not collector.running():
            raise Failure('the collector ended: ' + collector.said())
        return collector

    def start_display(self):
        """A virtual X display for the window: its name (':N')."""
        read, write = os.pipe()
        xvfb = self.start('xvfb', ['Xvfb', '-displayfd', str(write), '-screen', '0', '1280x1024x24', '-nolisten',
                                   'tcp'], dict(os.environ), pass_fds=(write,))
        os.close(write)
        with os.fdopen(read, 'rb') as said:
            number = said.readline().strip()
        if not number:
            raise Failure('Xvfb gave no display number: ' + xvfb.said())
        return ':' + number.decode()

    def start_window(self, display):
        """The window on an X display, with the accessibility bridge on, so
        that its status bar can be read as a screen reader reads it."""
        return self.start('window', [self.program('src/app/qalor')],
                          self.environment('window', QT_QPA_PLATFORM='xcb', DISPLAY=display,
                                           QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1'))

    def start_web(self):
        self.web_port = free_port()
        web = self.start('web', [self.program('src/web/qalor-web'), '--listen', '127.0.0.1:%d' % self.web_port,
                                 '--connection', self.source.connection], self.environment('web'))

        def answering():
            if not web.running():
                raise Failure('qalor-web ended: ' + web.said())
            try:
                with socket.create_connection(('127.0.0.1', self.web_port), timeout=1):
                    return True
            except OSError:
                return False

        wait_for('qalor-web to listen', answering)
        return web

    def send(self, lines):
        """The exchange prints these lines (the simulator adds CR LF)."""
        self.line_count += 1
        name = self.path('lines-%d.txt' % self.line_count)
        with open(name, 'w') as out:
            out.write('\n'.join(lines) + '\n')
        sent = subprocess.run([self.program('tools/pbxsim/qalor-pbxsim'), '--device', self.path('pbx'), '--file',
                               name, '--fast'], capture_output=True, text=True, timeout=60)
        if sent.returncode != 0:
            raise Failure('qalor-pbxsim failed: ' + sent.stderr)

    def report(self, arguments):
        """qalor-report on the data source, as a month-end job runs it."""
        ran = subprocess.run([self.program('tools/report/qalor-report')] + arguments +
                             ['--connection', self.source.connection], env=self.environment('report'),
                             capture_output=True, text=True, timeout=300)
        if ran.returncode != 0:
            raise Failure('qalor-report %s failed: %s' % (' '.join(arguments), ran.stderr))

    def close(self):
        for program in reversed(self.programs):
            program.stop()
        try:
            if self.source:
                self.source.drop()
        finally:
            shutil.rmtree(self.folder, ignore_errors=True)


def cdr_line(date, start, end, extension, dialled):
    """One call in the exchange's default 73-character layout."""
    return '0000 001 01 %s 000000 %s %s %s 001 01 %-18s ' % (date, start, end, extension, dialled)
