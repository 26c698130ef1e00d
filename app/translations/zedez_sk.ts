<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="sk_SK" sourcelanguage="en">
<context>
    <name>RowTexts</name>
    <message>
        <source>Waiting to start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reading the version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sent; waiting for the answer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sending: %1 of %2 bytes (%3 %)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Uploaded; waiting for the restart</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not started: cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Updated and verified</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Uploaded; not back within %n s: unverified</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Uploaded</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not updated: the version is current</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Checked</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed: came back on %1, not %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>app::RegisterTable</name>
    <message>
        <source>Address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Installed version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Verdict</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version after</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Progress</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update available</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Current</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Newer than this image</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unreadable</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>app::ShopWindow</name>
    <message>
        <source>Registers in the network - ZEDEZ Updater</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This PC has no private IPv4 network; type the range to search.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search the range for registers, or type another one.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Range to search</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>for example 192.168.1.0/24</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>IPv4 blocks such as 192.168.1.0/24, separated by commas; each at most a /16.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Search</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Progress</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Registers found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Checked registers are updated; the space bar checks or unchecks the current one.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Registers updated at once</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Update selected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update selected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save the &amp;record...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save the record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>C&amp;lose</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Status</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Range:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>At &amp;once:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The range cannot be searched: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The range holds %1 addresses; a search covers at most %2 (a /16).</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Searching %n address(es)...</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Search cancelled after %1 of %2 addresses: %n register(s) found.</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>No register answered in the range.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n register(s) found; </source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n need(s) the update and is/are selected.</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>These selected registers do not need the update:
%1

They get the image again: selecting them is the answer OK to the question about a current version. Update them too?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update them too</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing was updated.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Updating %n register(s)...</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Updating: %1 of %2 registers done...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Done: %1 updated (%2 verified, %3 not back), %4 failed, %5 not updated, %6 not started.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The record file was not written: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancelling the search...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancelling: no further register starts; those under way finish.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Record (*.jsonl);;All files (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n line(s) appended to %1.</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>The record could not be saved: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The window closes once the registers under way are done...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
