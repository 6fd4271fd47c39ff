#!/usr/bin/python3
"""The web console in a real browser (Debian's chromium, headless, driven
through selenium) beside the programs of a desk on a throwaway data source:
log in, see a call the simulated exchange prints to the collector appear,
acknowledge an alert and see the window's count of unacknowledged alerts
drop, query detail bills and download their PDF and sheet, find the room
over its deposit marked, download the last month end's report, fold the
pages to a phone's width and lose the session. Screenshots, the texts of the
PDF files and the programs' logs are kept in the output folder.

    dbus-run-session -- /usr/bin/python3 tst_browser.py --build BUILD --output FOLDER

Runs on SQLite, or on PostgreSQL with QALOR_TEST_BACKEND=postgres and
QALOR_TEST_PG as the database tests. Exit status 0 when every check holds."""

import argparse
import datetime
import glob
import os
import re
import subprocess
import sys
import time
import traceback
import zipfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from rig import PASSWORD, Desk, Failure, cdr_line, wait_for  # noqa: E402
from window_status import WindowStatus  # noqa: E402

# The calls of the test, made yesterday: within the month and within the
# alert list's last 30 days whenever the test runs. One for the live list,
# two that the default rule "a number starting 00 between 22:00 and 06:00"
# raises an alert for.
DAY = datetime.date.today() - datetime.timedelta(days=1)
DATE = DAY.strftime('%y%m%d')
PERIOD = (DAY.isoformat(), DAY.isoformat())
LIVE_CALL = cdr_line(DATE, '093000', '093130', '8001', '13800138001')
NIGHT_CALLS = [cdr_line(DATE, '233000', '233100', '8001', '0044207946'),
               cdr_line(DATE, '234000', '234230', '8001', '0081312345')]
DIALLED = ['13800138001', '0044207946', '0081312345']
# A destination name that is markup: the pages show it as text.
MARKUP_PLACE = '<b>日本</b>'
# Calls on one page of a detail bill, as the window lists them.
PAGE = 30


def cents(text):
    whole, _, part = text.strip().partition('.')
    return int(whole or '0') * 100 + int((part + '00')[:2])


class Console:
    """The browser on the console's pages."""

    def __init__(self, port, folder, output):
        self.base = 'https://127.0.0.1:%d' % port
        self.output = output
        self.downloads = os.path.join(folder, 'downloads')
        os.makedirs(self.downloads)
        options = webdriver.ChromeOptions()
        options.binary_location = '/usr/bin/chromium'
        # --no-sandbox: CI runs as root, where chromium's sandbox refuses to start.
        for argument in ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage',
                         '--window-size=1280,900', '--lang=zh-CN',
                         '--user-data-dir=' + os.path.join(folder, 'chromium')]:
            options.add_argument(argument)
        options.accept_insecure_certs = True  # the server's own self-signed certificate
        options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
        options.add_experimental_option('prefs', {'download.default_directory': self.downloads,
                                                  'download.prompt_for_download': False})
        service = Service('/usr/bin/chromedriver', log_path=os.path.join(output, 'chromedriver.log'))
        self.driver = webdriver.Chrome(service=service, options=options)
        self.driver.execute_cdp_cmd('Browser.setDownloadBehavior',
                                    {'behavior': 'allow', 'downloadPath': self.downloads})
        self.console = []

    def find(self, selector):
        return self.driver.find_element(By.CSS_SELECTOR, selector)

    def shown(self, selector):
        found = self.driver.find_elements(By.CSS_SELECTOR, selector)
        return found[0] if found and found[0].is_displayed() else None

    def text(self, selector):
        """Read in one step in the page: the live view replaces its rows and
        the collectors' list every second."""
        return self.driver.execute_script(
            'const e = document.querySelector(arguments[0]); return e ? e.textContent : "";', selector)

    def screenshot(self, name):
        self.driver.save_screenshot(os.path.join(self.output, name + '.png'))

    def set_value(self, selector, value):
        self.driver.execute_script('arguments[0].value = arguments[1]', self.find(selector), value)

    def rows(self, table):
        return self.driver.execute_script(
            'const t = document.querySelector(arguments[0]);'
            'if (!t.tHead.rows.length) return [[], []];'  # not loaded yet
            'return [[...t.tHead.rows[0].cells].map(c => c.textContent),'
            '        [...t.tBodies[0].rows].map(r => [...r.cells].map(c => c.textContent))];', table)

    def download(self, selector):
        """Clicks a download and returns the file once it is complete."""
        before = set(os.listdir(self.downloads))

        def arrived():
            now = set(os.listdir(self.downloads)) - before
            done = [name for name in now if not name.endswith('.crdownload')]
            return not any(name.endswith('.crdownload') for name in now) and done

        self.find(selector).click()
        return os.path.join(self.downloads, wait_for('the download of ' + selector, arrived, timeout=60)[0])

    def messages(self):
        self.console += self.driver.get_log('browser')
        return self.console

    def close(self):
        try:
            self.messages()
        finally:
            self.driver.quit()


def pdf_text(pdf, keep):
    """The text of a PDF as pdftotext lays it out, kept beside the screenshots."""
    text = subprocess.run(['pdftotext', '-layout', pdf, '-'], capture_output=True, text=True, check=True).stdout
    with open(keep, 'w') as kept:
        kept.write(text)
    return text


def check(condition, text):
    if not condition:
        raise Failure(text)


def log_in(console):
    console.driver.get(console.base + '/')
    wait_for('the login form', lambda: console.shown('#login-form'))
    console.screenshot('01-login')
    console.find('#login-user').send_keys('Headkeeper')
    console.find('#login-password').send_keys('wrong')
    console.find('#login-submit').click()
    refused = wait_for('the refusal of a wrong password', lambda: console.shown('#message'))
    check(console.shown('#login-form'), 'a wrong password left the login form')
    print('wrong password: %r' % refused.text)
    console.find('#login-password').send_keys(PASSWORD)
    console.find('#login-submit').click()
    wait_for('the views after the login', lambda: console.shown('#live-view'))
    check(console.text('#user-name') == 'Headkeeper', 'the page names ' + console.text('#user-name'))


def live_call(desk, console):
    """A call the exchange prints is listed as soon as the collector stored
    it, with the collector's port state beside the list."""
    wait_for('the collector beside the list', lambda: console.text('#ports .port-state'))
    sent = time.monotonic()
    desk.send([LIVE_CALL])
    wait_for('the call in the live list', lambda: DIALLED[0] in console.text('#live-table tbody'), timeout=60,
             every=0.02)
    delay = time.monotonic() - sent
    print('a call printed by the exchange was listed on the page after %.2f s (target 2 s)' % delay)
    ports = console.text('#ports')
    print('collectors beside the list: %s' % ports)
    # The window's words for a serial port the collector holds open.
    check('串口1 已打开' in ports, 'the collector\'s port is not said beside the list: ' + ports)
    console.screenshot('02-live')
    return delay


def bill(console):
    """The detail bill of the period: its rows add up to the page's figure,
    and the downloaded PDF's 小计金额 is the page's."""
    console.find('.tab[data-view="query"]').click()
    console.set_value('#query-from', PERIOD[0])
    console.set_value('#query-to', PERIOD[1])
    console.find('#query-extension').send_keys('8001')
    console.find('#query-run').click()
    wait_for('the bill on the page', lambda: console.shown('#query-result') and
             len(console.rows('#query-table')[1]) == len(DIALLED), timeout=30)
    heads, rows = console.rows('#query-table')
    for number in DIALLED:
        check(any(number in ''.join(row) for row in rows), number + ' is not in the bill')
    money = [heads.index(name) for name in ('通话费', '服务费', '附加费') if name in heads]
    check(money, 'no money columns among ' + repr(heads))
    summed = sum(cents(row[i]) for row in rows for i in money)
    subtotal = console.text('#query-subtotal')
    total = console.text('#query-total')
    check(summed == cents(subtotal), 'the rows add up to %d cents, the page says %s' % (summed, subtotal))
    check(cents(total) == cents(subtotal), 'one page: the total %s is not the page\'s %s' % (total, subtotal))
    check(summed > 0, 'the calls of the bill cost nothing')
    check(any(MARKUP_PLACE in row for row in rows), 'the destination %s is not shown as text' % MARKUP_PLACE)
    check(not console.driver.find_elements(By.CSS_SELECTOR, 'main b'), 'data became markup on the page')
    console.screenshot('03-bill')

    text = pdf_text(console.download('#query-pdf'), os.path.join(console.output, 'bill.txt'))
    printed = re.findall(r'小计金额:\s*([0-9]+\.[0-9]{2})', text)
    check(printed, 'the PDF has no 小计金额: see bill.txt')
    check(printed[-1] == total, 'the PDF says 小计金额 %s, the page %s' % (printed[-1], total))
    for number in DIALLED:
        check(number in text, number + ' is not in the PDF')
    print('detail bill: %d calls, 小计金额 %s on the page and in the PDF' % (len(rows), total))
    return total


def alerts(desk, console, window, status):
    """Acknowledging an alert on the page lowers the count the window shows."""
    desk.send(NIGHT_CALLS)
    pane = lambda: status.pane(window.process.pid, '告警状态')  # noqa: E731
    wait_for('the window to count two alerts', lambda: pane() == '未确认告警 2 条', timeout=60)
    console.find('.tab[data-view="alerts"]').click()
    wait_for('two open alerts on the page',
             lambda: len(console.driver.find_elements(By.CSS_SELECTOR, '#alerts-table button[data-alert]')) == 2)
    check(console.text('#alerts-count') == '未确认告警 2 条', 'the page counts ' + console.text('#alerts-count'))
    console.screenshot('04-alerts')

    console.find('#alerts-table button[data-alert]').click()
    clicked = time.monotonic()
    wait_for('the page to count one alert', lambda: console.text('#alerts-count') == '未确认告警 1 条')
    wait_for('the window to count one alert', lambda: pane() == '未确认告警 1 条', timeout=60)
    print('the window counted the acknowledgement after %.2f s' % (time.monotonic() - clicked))

    Select(console.find('#alerts-state')).select_by_value('all')
    wait_for('the acknowledged alert with who and when',
             lambda: 'Headkeeper' in console.text('#alerts-table tbody'))
    console.screenshot('05-alerts-acknowledged')


def pages(desk, console):
    """A bill of more calls than a page: 下一页 shows the rest, the pages'
    本页金额 add up to 小计金额, the sheet holds every call."""
    calls = [cdr_line(DATE, '10%02d00' % i, '10%02d45' % i, '8003', '8812%04d' % i) for i in range(PAGE + 1)]
    console.find('.tab[data-view="live"]').click()
    desk.send(calls)
    wait_for('the last of them in the live list', lambda: '8812%04d' % PAGE in console.text('#live-table tbody'))
    console.find('.tab[data-view="query"]').click()
    console.find('#query-extension').clear()
    console.find('#query-extension').send_keys('8003')
    console.find('#query-run').click()
    wait_for('the first page', lambda: console.text('#query-page') == '第1页 / 共2页' and
             len(console.rows('#query-table')[1]) == PAGE)
    first = cents(console.text('#query-subtotal'))
    total = console.text('#query-total')
    console.find('#query-next').click()
    wait_for('the second page', lambda: console.text('#query-page') == '第2页 / 共2页' and
             len(console.rows('#query-table')[1]) == 1)
    check(console.find('#query-next').get_attribute('disabled') is not None, '下一页 after the last page')
    second = cents(console.text('#query-subtotal'))
    check(first + second == cents(total) and second > 0,
          'the pages say %d and %d cents, the whole %s' % (first, second, total))
    console.screenshot('03-bill-page-2')

    sheet = zipfile.ZipFile(console.download('#query-xlsx'))
    cells = ''.join(sheet.read(name).decode() for name in sheet.namelist() if name.startswith('xl/'))
    missing = [call.split()[-1] for call in calls if call.split()[-1] not in cells]
    check(not missing, 'the sheet lacks ' + ', '.join(missing))
    print('detail bill of %d calls on 2 pages: %.2f + %.2f = 小计金额 %s' % (len(calls), first / 100, second / 100,
                                                                    total))


def stays(console, total):
    """The open stays: the room whose calls reached its deposit is marked,
    its 结帐金额 is the bill of its calls; the other is not marked."""
    console.find('.tab[data-view="stays"]').click()
    wait_for('the two open stays', lambda: len(console.rows('#stays-table')[1]) == 2)
    heads, rows = console.rows('#stays-table')
    room = heads.index('房间号')
    amount = heads.index('结帐金额')
    marks = {row[room]: row[0] for row in rows}
    check(marks == {'101': '押金已用完', '102': ''}, 'the rooms are marked %r' % marks)
    charged = [row[amount] for row in rows if row[room] == '101'][0]
    check(charged == total, 'room 101 owes %s, its calls\' bill says %s' % (charged, total))
    check(console.driver.find_elements(By.CSS_SELECTOR, '#stays-table tr.over'), 'the marked row stands out not')
    console.screenshot('06-stays')


def reports(desk, console, total):
    """Without a month end yet, the report's download says why on the page;
    after the statistics run of the period, the monthly report has the
    extension's total, the bill's."""
    console.find('.tab[data-view="reports"]').click()
    console.find('#reports-view a[href$="monthly.pdf"]').click()
    said = wait_for('the reason there is no report', lambda: console.shown('#message'))
    check(console.shown('#reports-view'), 'the page left the reports view')
    print('monthly report before any month end: %r' % said.text)
    console.screenshot('07-no-report')

    desk.report(['stats', '--from', DAY.isoformat(), '--to', DAY.isoformat()])
    text = pdf_text(console.download('#reports-view a[href$="monthly.pdf"]'),
                    os.path.join(console.output, 'monthly.txt'))
    line = [line for line in text.splitlines() if line.split()[:1] == ['8001']]
    check(line, 'the monthly report has no line of 8001: see monthly.txt')
    # 月租费, the charges by kind, 总计: the kinds add up to the bill.
    figures = [cents(f) for f in re.findall(r'\b[0-9]+\.[0-9]{2}\b', line[0])]
    check(len(figures) > 2 and sum(figures[1:-1]) == cents(total) and figures[-1] == figures[0] + cents(total),
          'the monthly report says %r for 8001, the bill %s' % (line[0], total))
    check(not console.shown('#message'), 'the page says ' + console.text('#message'))
    print('monthly report after the statistics run: %s' % ' '.join(line[0].split()))


def phone(console):
    """At a phone's width (375 px) no view is wider than the screen: wide
    tables scroll inside their own box."""
    console.driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride',
                                   {'width': 375, 'height': 812, 'deviceScaleFactor': 2, 'mobile': True})
    for view in ('live', 'query', 'alerts', 'reports', 'stays'):
        console.find('.tab[data-view="%s"]' % view).click()
        wait_for('the %s view' % view, lambda: console.shown('#%s-view' % view))
        width = console.driver.execute_script('return document.documentElement.scrollWidth')
        check(width <= 375, 'the %s view is %d px wide on a 375 px screen' % (view, width))
        console.screenshot('08-phone-' + view)
    console.driver.execute_cdp_cmd('Emulation.clearDeviceMetricsOverride', {})


def lapse(console):
    """A session the server no longer knows returns to the login form."""
    console.find('.tab[data-view="live"]').click()
    console.driver.delete_all_cookies()
    wait_for('the login form after the session lapsed', lambda: console.shown('#login-form'), timeout=30)
    check(not console.shown('#app-view'), 'the views stay after the session lapsed')
    console.screenshot('09-session-lapsed')


def page_faults(console):
    """Nothing the Content-Security-Policy blocked, no script error, and
    every control named for a screen reader (its label or its text)."""
    unnamed = console.driver.execute_script(
        'return [...document.querySelectorAll("input, select, button, a")]'
        '  .filter(c => !(c.labels && c.labels.length) && !c.getAttribute("aria-label") && !c.textContent.trim())'
        '  .map(c => c.outerHTML);')
    check(not unnamed, 'controls without a name: ' + ', '.join(unnamed))
    faults = [m['message'] for m in console.messages()
              if 'Content Security Policy' in m['message'] or 'Uncaught' in m['message']]
    check(not faults, 'the browser reported: ' + '\n'.join(faults))


def main():
    arguments = argparse.ArgumentParser()
    arguments.add_argument('--build', required=True)
    arguments.add_argument('--output', required=True)
    options = arguments.parse_args()
    output = os.path.abspath(options.output)
    os.makedirs(output, exist_ok=True)
    for old in glob.glob(os.path.join(output, '*')):
        os.remove(old)

    desk = Desk(os.path.abspath(options.build), output)
    console = None
    try:
        desk.make()
        desk.source.execute("UPDATE 费率表 SET 地区='%s' WHERE 区号='0081'" % MARKUP_PLACE)
        # Two guests: the calls of 8001 go over its deposit.
        desk.source.execute(
            "INSERT INTO 宾馆管理表 (分机号, 房间号, 入住日期, 入住时间, 退房日期, 退房时间, 结帐金额, 是否已经结帐, "
            "服务费比例, 押金, 分机级别描述, 旅客姓名) VALUES "
            "('8001', '101', '%s', '080000', '', '', 0, 0, 0, 5, '2 国内长途', '张三'), "
            "('8002', '102', '%s', '080000', '', '', 0, 0, 0, 100, '2 国内长途', '李四')"
            % ((DAY.strftime('%Y%m%d'),) * 2))
        desk.start_line()
        desk.start_collector()
        window = desk.start_window(desk.start_display())
        status = WindowStatus()
        wait_for('the window on the accessibility bus', lambda: status.pane(window.process.pid, '告警状态'))
        desk.start_web()
        console = Console(desk.web_port, desk.folder, output)
        log_in(console)
        live_call(desk, console)
        alerts(desk, console, window, status)
        total = bill(console)
        pages(desk, console)
        stays(console, total)
        reports(desk, console, total)
        phone(console)
        lapse(console)
        page_faults(console)
    except Exception as failure:  # a check, or the browser or a program failing
        if isinstance(failure, Failure):
            print('FAIL: %s' % failure, file=sys.stderr)
        else:
            traceback.print_exc()
        if console:
            console.screenshot('failure')
        return 1
    finally:
        if console:
            console.close()
        desk.close()
    print('PASS: screenshots in ' + output)
    return 0


if __name__ == '__main__':
    sys.exit(main())
