<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>DatagramChannel</name>
    <message>
        <source>[%1]ﾎﾟｰﾄ番号が正しくありません。ｵﾌﾟｼｮﾝでﾎﾟｰﾄ番号を変えて下さい。</source>
        <translation>[%1] The port number is not valid. Choose another port in Options.</translation>
    </message>
    <message>
        <source>ﾎﾟｰﾄ %1 は他のﾌﾟﾛｸﾞﾗﾑが使用中です。ｵﾌﾟｼｮﾝでﾎﾟｰﾄ番号を変えて下さい。</source>
        <translation>Port %1 is in use by another program. Choose another port in Options.</translation>
    </message>
    <message>
        <source>ﾎﾟｰﾄ %1 を使う権限がありません。ｵﾌﾟｼｮﾝでﾎﾟｰﾄ番号を変えて下さい。</source>
        <translation>Not allowed to use port %1. Choose another port in Options.</translation>
    </message>
    <message>
        <source>指定されたIPｱﾄﾞﾚｽはこのPCにありません。</source>
        <translation>The IP address given is not one of this PC&apos;s.</translation>
    </message>
    <message>
        <source>ｿｹｯﾄを作れません (資源が足りません)。</source>
        <translation>Cannot create a socket (out of resources).</translation>
    </message>
    <message>
        <source>送信ﾃﾞｰﾀが大きすぎます。</source>
        <translation>The message is too large to send.</translation>
    </message>
    <message>
        <source>ﾈｯﾄﾜｰｸに接続できません。</source>
        <translation>Cannot reach the network.</translation>
    </message>
    <message>
        <source>相手のPCが見つかりません。</source>
        <translation>The other PC cannot be found.</translation>
    </message>
    <message>
        <source>通信ｴﾗｰが発生しました。</source>
        <translation>A network error occurred.</translation>
    </message>
    <message>
        <source>受信が集中したため、一部の電文を破棄しました。</source>
        <translation>Too many messages arrived at once; some were dropped.</translation>
    </message>
</context>
<context>
    <name>FreedesktopNotifier</name>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
</context>
<context>
    <name>Frm_pelwickSpl</name>
    <message>
        <source>結合用ﾊﾞｯﾁﾌｧｲﾙに書けない文字がﾌｧｲﾙ名に含まれています: </source>
        <translation>The file name holds characters the join batch file cannot carry: </translation>
    </message>
    <message>
        <source>分割元</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ選択</source>
        <translation>Choose file</translation>
    </message>
    <message>
        <source>分割元のﾌｧｲﾙを選択</source>
        <translation>Choose the file to split</translation>
    </message>
    <message>
        <source>分割先</source>
        <translation>Destination</translation>
    </message>
    <message>
        <source>ﾌｫﾙﾀﾞ選択</source>
        <translation>Choose folder</translation>
    </message>
    <message>
        <source>分割先のﾌｫﾙﾀﾞを選択</source>
        <translation>Choose the folder for the pieces</translation>
    </message>
    <message>
        <source>１ﾌｧｲﾙの分割ｻｲｽﾞ</source>
        <translation>Size of each piece</translation>
    </message>
    <message>
        <source>分割ｻｲｽﾞ</source>
        <translation>Piece size</translation>
    </message>
    <message>
        <source>詳細設定</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>分割先に同一名ﾌｧｲﾙが存在したら無条件に削除する</source>
        <translation>Delete files of the same name in the destination without asking</translation>
    </message>
    <message>
        <source>結合ﾊﾞｯﾁﾌｧｲﾙを作成する</source>
        <translation>Write a batch file that joins the pieces</translation>
    </message>
    <message>
        <source>結合ﾊﾞｯﾁ起動時に分割ﾌｧｲﾙを削除する</source>
        <translation>The batch file deletes the pieces after joining</translation>
    </message>
    <message>
        <source>分割開始</source>
        <translation>Split</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ分割を開始</source>
        <translation>Start splitting the file</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>分割元ﾌｧｲﾙを選択</source>
        <translation>Choose the file to split</translation>
    </message>
    <message>
        <source>すべて (*.*)|*.*</source>
        <translation>All files (*.*)|*.*</translation>
    </message>
    <message>
        <source>選択してー！</source>
        <translation>Choose a folder!</translation>
    </message>
    <message>
        <source>分割元のファイルを指定して下さい。</source>
        <translation>Choose the file to split.</translation>
    </message>
    <message>
        <source>分割先のフォルダを指定して下さい。</source>
        <translation>Choose the destination folder.</translation>
    </message>
    <message>
        <source>分割元に存在するファイルを指定して下さい。</source>
        <translation>Choose a file that exists.</translation>
    </message>
    <message>
        <source>分割先に存在するフォルダを指定して下さい。</source>
        <translation>Choose a destination folder that exists.</translation>
    </message>
    <message>
        <source>ファイル分割処理を中止しました。</source>
        <translation>Splitting was cancelled.</translation>
    </message>
    <message>
        <source>完了しました。</source>
        <translation>Done.</translation>
    </message>
    <message>
        <source>が存在します。削除して処理を続行しますか？</source>
        <translation> exists. Delete it and go on?</translation>
    </message>
    <message>
        <source>分割元のファイルを読み込めません。</source>
        <translation>Cannot read the file to split.</translation>
    </message>
    <message>
        <source>分割ファイルを書き込めません。</source>
        <translation>Cannot write a piece.</translation>
    </message>
    <message>
        <source>結合ﾊﾞｯﾁﾌｧｲﾙを書き込めません。</source>
        <translation>Cannot write the join batch file.</translation>
    </message>
    <message>
        <source>分割元のファイルと同じ名前になるため、書き込めません。</source>
        <translation>Cannot write: a piece would have the same name as the file being split.</translation>
    </message>
    <message>
        <source>ﾒﾓﾘ不足です。</source>
        <translation>Out of memory.</translation>
    </message>
    <message>
        <source>%1 ﾌｧｲﾙ目  %2 / %3 ﾊﾞｲﾄ</source>
        <translation>Piece %1  %2 / %3 bytes</translation>
    </message>
</context>
<context>
    <name>GameRelay</name>
    <message>
        <source>送信に失敗しました。</source>
        <translation>Could not send.</translation>
    </message>
    <message>
        <source>失敗しました</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>ゲームスタート要求を出しました。</source>
        <translation>Asked the other player to start a game.</translation>
    </message>
    <message>
        <source>対戦相手よりゲーム終了報告を受けました。</source>
        <translation>The other player ended the game.</translation>
    </message>
    <message>
        <source>ｹﾞｰﾑ種別ｴﾗｰ CD=</source>
        <translation>Unknown game type CD=</translation>
    </message>
</context>
<context>
    <name>GomokuGame</name>
    <message>
        <source>五目並べ</source>
        <translation>Gomoku</translation>
    </message>
    <message>
        <source>ｹﾞｰﾑがｽﾀｰﾄしていません</source>
        <translation>The game has not started</translation>
    </message>
    <message>
        <source>あなたの番ではありません</source>
        <translation>It is not your turn</translation>
    </message>
    <message>
        <source>範囲外選択！</source>
        <translation>Outside the board!</translation>
    </message>
    <message>
        <source>Game Start !!!</source>
        <translation>Game Start !!!</translation>
    </message>
    <message>
        <source>早く～ (^0^)</source>
        <translation>Hurry up~ (^0^)</translation>
    </message>
    <message>
        <source>黒</source>
        <translation>Black</translation>
    </message>
    <message>
        <source>白</source>
        <translation>White</translation>
    </message>
    <message>
        <source>あなたの勝ちです。</source>
        <translation>You win.</translation>
    </message>
    <message>
        <source>の勝ちです。</source>
        <translation> wins.</translation>
    </message>
    <message>
        <source>プログラムは終了します！</source>
        <translation>The program will close!</translation>
    </message>
    <message>
        <source>失敗しました!!</source>
        <translation>Failed!! </translation>
    </message>
    <message>
        <source>催促送信に失敗しました。</source>
        <translation>Could not send the reminder.</translation>
    </message>
    <message>
        <source>終了報告を失敗しました。</source>
        <translation>Could not report the end of the game.</translation>
    </message>
    <message>
        <source>プログラム不正処理発生 Game_Func=</source>
        <translation>Internal error: Game_Func=</translation>
    </message>
    <message>
        <source> [黒]</source>
        <translation> [Black] </translation>
    </message>
    <message>
        <source> 対 [白]</source>
        <translation> vs [White] </translation>
    </message>
</context>
<context>
    <name>LinkSource</name>
    <message>
        <source>Cannot create the runtime directory %1</source>
        <translation>Cannot create the runtime directory %1</translation>
    </message>
    <message>
        <source>Another program already serves %1|%2</source>
        <translation>Another program already serves %1|%2</translation>
    </message>
</context>
<context>
    <name>MessengerMenus</name>
    <message>
        <source>ﾌｧｲﾙ</source>
        <translation>File</translation>
    </message>
    <message>
        <source>表示</source>
        <translation>View</translation>
    </message>
    <message>
        <source>前面表示</source>
        <translation>Stay on top</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>ﾂｰﾙ</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>ｵﾌﾟｼｮﾝ</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>PC情報</source>
        <translation>PC information</translation>
    </message>
    <message>
        <source>Net情報</source>
        <translation>Network identity</translation>
    </message>
    <message>
        <source>ﾌﾟﾛｾｽ一覧</source>
        <translation>Processes</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ分割</source>
        <translation>File splitter</translation>
    </message>
    <message>
        <source>時計</source>
        <translation>Clock</translation>
    </message>
    <message>
        <source>ｺﾝﾄﾛｰﾙﾊﾟﾈﾙ表示</source>
        <translation>Control panel</translation>
    </message>
    <message>
        <source>ﾈｯﾄﾜｰｸ</source>
        <translation>Network</translation>
    </message>
    <message>
        <source>Lmhostsﾌｧｲﾙ</source>
        <translation>Lmhosts file</translation>
    </message>
    <message>
        <source>Hostsﾌｧｲﾙ</source>
        <translation>Hosts file</translation>
    </message>
    <message>
        <source>ﾍﾙﾌﾟ</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>ﾊﾞｰｼﾞｮﾝ</source>
        <translation>About</translation>
    </message>
    <message>
        <source>ｺﾝﾄﾛｰﾙﾊﾟﾈﾙ</source>
        <translation>Control panel</translation>
    </message>
    <message>
        <source>ListUser左ｸﾘｯｸ</source>
        <translation>User list</translation>
    </message>
    <message>
        <source>接続確認</source>
        <translation>Connection check</translation>
    </message>
    <message>
        <source>ｹﾞｰﾑ</source>
        <translation>Game</translation>
    </message>
    <message>
        <source>五目並べ</source>
        <translation>Gomoku</translation>
    </message>
    <message>
        <source>オセロ</source>
        <translation>Othello</translation>
    </message>
    <message>
        <source>相互のＰＣからIP情報を消去</source>
        <translation>Remove each other&apos;s IP address</translation>
    </message>
    <message>
        <source>ﾀｽｸﾊﾞｰ用</source>
        <translation>Task bar</translation>
    </message>
</context>
<context>
    <name>MessengerSession</name>
    <message>
        <source>送信に失敗しました。</source>
        <translation>Could not send.</translation>
    </message>
    <message>
        <source>通信状態が</source>
        <translation>Choose someone marked </translation>
    </message>
    <message>
        <source>の対象者を設定して下さい。</source>
        <translation> to send to.</translation>
    </message>
    <message>
        <source>電文種別エラー</source>
        <translation>Unknown message type</translation>
    </message>
    <message>
        <source>メッセージを受け付けました。</source>
        <translation>Message received.</translation>
    </message>
</context>
<context>
    <name>NotificationPacer</name>
    <message>
        <source>(%1件) </source>
        <translation>(%1 messages) </translation>
    </message>
</context>
<context>
    <name>OptionsMessage</name>
    <message>
        <source>登録処理に失敗しました。</source>
        <translation>Could not save the entry.</translation>
    </message>
    <message>
        <source>ﾕｰｻﾞｰ名とIPｱﾄﾞﾚｽを指定して下さい。</source>
        <translation>Enter a user name and an IP address.</translation>
    </message>
    <message>
        <source>指定されたIPｱﾄﾞﾚｽの情報が存在しません。</source>
        <translation>There is no entry for that IP address.</translation>
    </message>
    <message>
        <source>IPｱﾄﾞﾚｽを指定して下さい。</source>
        <translation>Enter an IP address.</translation>
    </message>
    <message>
        <source>サウンドファイルのフルパス名を指定して下さい。</source>
        <translation>Enter the full path of the sound file.</translation>
    </message>
    <message>
        <source>ポート番号は 1 から 65535 までの数字で指定して下さい。</source>
        <translation>The port number must be a number from 1 to 65535.</translation>
    </message>
    <message>
        <source>使用者氏名、ポート番号は必須です。必ず入力して下さい。</source>
        <translation>Your name and the port number are required.</translation>
    </message>
    <message>
        <source>設定を保存できませんでした。</source>
        <translation>Could not save the settings.</translation>
    </message>
    <message>
        <source>使用者氏名に使えない文字が含まれています: </source>
        <translation>Your name holds characters that cannot be used: </translation>
    </message>
    <message>
        <source>IPｱﾄﾞﾚｽは 111.22.3.123 のように指定して下さい。</source>
        <translation>Enter the IP address like 111.22.3.123.</translation>
    </message>
    <message>
        <source>ｻｳﾝﾄﾞﾌｧｲﾙとして使えません。</source>
        <translation>This file cannot be used as a sound.</translation>
    </message>
</context>
<context>
    <name>PeerPresence</name>
    <message>
        <source>送信に失敗しました。</source>
        <translation>Could not send.</translation>
    </message>
    <message>
        <source>新しい相手が多すぎるため、これ以上は一覧に追加しません。</source>
        <translation>Too many new users; no more are added to the list.</translation>
    </message>
</context>
<context>
    <name>PelwickTrayIcon</name>
    <message>
        <source>右ｸﾘｯｸでﾒﾆｭｰ表示!</source>
        <translation>Right-click for the menu!</translation>
    </message>
</context>
<context>
    <name>ProcessList</name>
    <message>
        <source>ﾌﾟﾛｾｽｴﾝﾄﾘの取得に失敗しました</source>
        <translation>Could not read the process list</translation>
    </message>
</context>
<context>
    <name>SessionStorage</name>
    <message>
        <source>設定ﾌｧｲﾙを保存できません。</source>
        <translation>Cannot save the settings file.</translation>
    </message>
    <message>
        <source>送受信履歴を保存できません: </source>
        <translation>Cannot save the message log: </translation>
    </message>
</context>
<context>
    <name>SplitRun</name>
    <message>
        <source>読み込み中にファイルが短くなりました。</source>
        <translation>The file got shorter while it was being read.</translation>
    </message>
    <message>
        <source>書き込んだﾌｧｲﾙの大きさが正しくありません。</source>
        <translation>The written file has the wrong size.</translation>
    </message>
</context>
<context>
    <name>SplitterCaption</name>
    <message>
        <source>ソリッカ</source>
        <translation>Splitter</translation>
    </message>
    <message>
        <source>ファイル分割</source>
        <translation>File Splitter</translation>
    </message>
</context>
<context>
    <name>UserDirectory</name>
    <message>
        <source>状態</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>IPｱﾄﾞﾚｽ</source>
        <translation>IP address</translation>
    </message>
</context>
<context>
    <name>clsCommonDlg</name>
    <message>
        <source>PDReturnDefault フラグが設定されていますが、hDevMode フィールドまたは hDevNames フィールドが 0 ではありません。</source>
        <translation>The PDReturnDefault flag is set, but the hDevMode or hDevNames field is not 0.</translation>
    </message>
    <message>
        <source>関数が指定したリソースをロードできません。</source>
        <translation>The function could not load the given resource.</translation>
    </message>
    <message>
        <source>関数がダイアログ ボックスをロードできません。</source>
        <translation>The function could not load the dialog box.</translation>
    </message>
    <message>
        <source>メンバ lpstrFile が指すバッファが小さすぎます。</source>
        <translation>The buffer that lpstrFile points to is too small.</translation>
    </message>
    <message>
        <source>ファイル名が無効です。</source>
        <translation>The file name is not valid.</translation>
    </message>
    <message>
        <source>メモリ不足のために、リスト ボックスをサブクラス化できません。</source>
        <translation>Out of memory: the list box cannot be subclassed.</translation>
    </message>
    <message>
        <source>フォントが存在しません。</source>
        <translation>No fonts exist.</translation>
    </message>
    <message>
        <source>WIN.INI ファイル内の [devices] セクションに、必要なプリンタについてのエントリがありません。</source>
        <translation>The [devices] section of WIN.INI has no entry for the printer needed.</translation>
    </message>
    <message>
        <source>PrintDlg 関数が情報コンテキストを作成できません。</source>
        <translation>PrintDlg could not create an information context.</translation>
    </message>
    <message>
        <source>DevMode データ構造と DevNames データ構造のデータが異なるプリンタを指しています。</source>
        <translation>The DevMode and DevNames structures describe different printers.</translation>
    </message>
    <message>
        <source>通常使うプリンタが設定されていません。</source>
        <translation>No default printer is set.</translation>
    </message>
    <message>
        <source>プリンタ ドライバが見つかりません。</source>
        <translation>The printer driver was not found.</translation>
    </message>
    <message>
        <source>PrintDlg 関数を初期化できません。</source>
        <translation>PrintDlg could not be initialised.</translation>
    </message>
    <message>
        <source>プリンタ ドライバが DevMode データ構造を初期化できません。</source>
        <translation>The printer driver could not initialise the DevMode structure.</translation>
    </message>
    <message>
        <source>PrintDlg 関数が、指定したプリンタ ドライバをロードできません。</source>
        <translation>PrintDlg could not load the given printer driver.</translation>
    </message>
    <message>
        <source>CommonDialog 関数が WIN.INI の [devices] セクションの文字列を解析できません。</source>
        <translation>CommonDialog could not parse the [devices] section of WIN.INI.</translation>
    </message>
    <message>
        <source>必要なリソースを読み込めません。</source>
        <translation>Cannot read a resource needed.</translation>
    </message>
    <message>
        <source>Microsoft Windows のヘルプを呼び出せません。</source>
        <translation>Cannot open Microsoft Windows help.</translation>
    </message>
    <message>
        <source>FileName プロパティまたは Filter プロパティにメモリを割り当てられません。</source>
        <translation>Cannot allocate memory for the FileName or Filter property.</translation>
    </message>
    <message>
        <source>[キャンセル] ボタンが選択されました。</source>
        <translation>The [Cancel] button was chosen.</translation>
    </message>
    <message>
        <source>関数が、ハンドルに関連付けられたメモリをロックできません。</source>
        <translation>The function could not lock the memory of a handle.</translation>
    </message>
    <message>
        <source>関数が、内部のデータ構造にメモリを割り当てられません。</source>
        <translation>The function could not allocate memory for its data.</translation>
    </message>
    <message>
        <source>関数が指定したリソースをロックできません。</source>
        <translation>The function could not lock the given resource.</translation>
    </message>
    <message>
        <source>関数を初期化できません。</source>
        <translation>The function could not be initialised.</translation>
    </message>
    <message>
        <source>未知のｴﾗｰです。</source>
        <translation>Unknown error.</translation>
    </message>
</context>
<context>
    <name>clsFolderGetPath</name>
    <message>
        <source>ﾌｫﾙﾀﾞを選択して下さい。</source>
        <translation>Choose a folder.</translation>
    </message>
</context>
<context>
    <name>frm_GOMOKU</name>
    <message>
        <source>ﾌｧｲﾙ</source>
        <translation>File</translation>
    </message>
    <message>
        <source>早く打って！</source>
        <translation>Hurry up!</translation>
    </message>
    <message>
        <source>前面表示</source>
        <translation>Stay on top</translation>
    </message>
    <message>
        <source>基盤の色替え</source>
        <translation>Change board colour</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>frm_pelwickAbt</name>
    <message>
        <source>ｼｽﾃﾑ情報(&amp;S)...</source>
        <translation>&amp;System Info...</translation>
    </message>
    <message>
        <source>のﾊﾞｰｼﾞｮﾝ情報</source>
        <translation> version information</translation>
    </message>
    <message>
        <source>ﾊﾞｰｼﾞｮﾝ %1.%2.%3</source>
        <translation>Version %1.%2.%3</translation>
    </message>
    <message>
        <source>現時点ではｼｽﾃﾑ情報を使用できません</source>
        <translation>System information is not available at the moment</translation>
    </message>
</context>
<context>
    <name>frm_pelwickOpt</name>
    <message>
        <source>ｵﾌﾟｼｮﾝ</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>更新</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>使用者氏名</source>
        <translation>Your name</translation>
    </message>
    <message>
        <source>例）山田 太郎
周りの人たちが見て誰だか分かる名前にして下さい。</source>
        <translation>Example: Taro Yamada
Use a name the people around you recognise.</translation>
    </message>
    <message>
        <source>ポート番号</source>
        <translation>Port number</translation>
    </message>
    <message>
        <source>注意：</source>
        <translation>Note:</translation>
    </message>
    <message>
        <source>通信を行う人たちと同じポート番号に設定して下さい。(既定値 59640)</source>
        <translation>Use the same port number as the people you talk to. (Default 59640)</translation>
    </message>
    <message>
        <source>サウンド使用</source>
        <translation>Play a sound</translation>
    </message>
    <message>
        <source>常に前表示</source>
        <translation>Always on top</translation>
    </message>
    <message>
        <source>受信お知らせ</source>
        <translation>Arrival pop-up</translation>
    </message>
    <message>
        <source>起動時にLAN内を検索</source>
        <translation>Search the LAN at start</translation>
    </message>
    <message>
        <source>送受信履歴を保存する</source>
        <translation>Keep a message log</translation>
    </message>
    <message>
        <source>ﾃﾞｽｸﾄｯﾌﾟ通知</source>
        <translation>Desktop notifications</translation>
    </message>
    <message>
        <source>ﾛｸﾞｲﾝ時に起動</source>
        <translation>Start at login</translation>
    </message>
    <message>
        <source>サウンドファイル</source>
        <translation>Sound file</translation>
    </message>
    <message>
        <source>ｻｳﾝﾄﾞﾌｧｲﾙ選択</source>
        <translation>Choose sound</translation>
    </message>
    <message>
        <source>端末情報</source>
        <translation>This PC</translation>
    </message>
    <message>
        <source>IPｱﾄﾞﾚｽ</source>
        <translation>IP address</translation>
    </message>
    <message>
        <source>ﾕｰｻﾞｰ情報</source>
        <translation>Users</translation>
    </message>
    <message>
        <source>Ｕｓｅｒ(適当な名前でOK)</source>
        <translation>User (any name will do)</translation>
    </message>
    <message>
        <source>IPｱﾄﾞﾚｽ(例:111.22.3.123)</source>
        <translation>IP address (e.g. 111.22.3.123)</translation>
    </message>
    <message>
        <source>更新・削除の場合はﾀﾞﾌﾞﾙｸﾘｯｸで選択</source>
        <translation>Double-click an entry to change or delete it</translation>
    </message>
    <message>
        <source>登録／更新</source>
        <translation>Add / Update</translation>
    </message>
    <message>
        <source>削除(自分のPCのみ)</source>
        <translation>Delete (this PC only)</translation>
    </message>
    <message>
        <source>コモンダイアログ画面を使ったファイルの選択</source>
        <translation>Choose a sound file</translation>
    </message>
    <message>
        <source>ｻｳﾝﾄﾞ(*.wav)|*.wav|</source>
        <translation>Sounds (*.wav)|*.wav|</translation>
    </message>
    <message>
        <source>すべて|*.*|</source>
        <translation>All files|*.*|</translation>
    </message>
    <message>
        <source>表示言語</source>
        <translation>Display language</translation>
    </message>
    <message>
        <source>自動</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>次回の起動から有効になります。</source>
        <translation>Takes effect at the next start.</translation>
    </message>
</context>
<context>
    <name>frm_pelwickPrc</name>
    <message>
        <source>プロセス一覧</source>
        <translation>Processes</translation>
    </message>
    <message>
        <source>ﾌﾟﾛｾｽNo.</source>
        <translation>Process ID</translation>
    </message>
    <message>
        <source>EXEファイル格納パス名</source>
        <translation>Program path</translation>
    </message>
    <message>
        <source>最新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>タスク削除</source>
        <translation>End task</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>作成中</source>
        <translation>Not available yet</translation>
    </message>
</context>
<context>
    <name>frm_pelwickSys</name>
    <message>
        <source>PC情報</source>
        <translation>PC information</translation>
    </message>
    <message>
        <source>項  目</source>
        <translation>Item</translation>
    </message>
    <message>
        <source>値</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>ﾄﾞﾗｲﾌﾞ名</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>項目</source>
        <translation>Item</translation>
    </message>
    <message>
        <source>System情報</source>
        <translation>System</translation>
    </message>
    <message>
        <source>Drive情報</source>
        <translation>Drives</translation>
    </message>
    <message>
        <source>Memory情報</source>
        <translation>Memory</translation>
    </message>
    <message>
        <source>Folder情報</source>
        <translation>Folders</translation>
    </message>
    <message>
        <source>最新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>ｺﾝﾋﾟｭｰﾀ名</source>
        <translation>Computer name</translation>
    </message>
    <message>
        <source>OEMﾒｰｶｰ名</source>
        <translation>Manufacturer</translation>
    </message>
    <message>
        <source>ﾊｰﾄﾞｳｪｱの機種名</source>
        <translation>Hardware model</translation>
    </message>
    <message>
        <source>OSの起動ﾓｰﾄﾞ</source>
        <translation>OS boot mode</translation>
    </message>
    <message>
        <source>Windowsのﾋﾞﾙﾄﾞﾅﾝﾊﾞｰ</source>
        <translation>OS build number</translation>
    </message>
    <message>
        <source>OSがﾃﾞﾊﾞｯｸﾞﾊﾞｰｼﾞｮﾝ</source>
        <translation>OS is a debug version</translation>
    </message>
    <message>
        <source>OSが2ﾊﾞｲﾄ文字をｻﾎﾟｰﾄ</source>
        <translation>OS supports double-byte characters</translation>
    </message>
    <message>
        <source>Windowsのﾀｲﾌﾟ</source>
        <translation>OS type</translation>
    </message>
    <message>
        <source>Windowsのﾊﾞｰｼﾞｮﾝ</source>
        <translation>OS version</translation>
    </message>
    <message>
        <source>CPUの個数</source>
        <translation>Number of CPUs</translation>
    </message>
    <message>
        <source>CPUのﾀｲﾌﾟ</source>
        <translation>CPU type</translation>
    </message>
    <message>
        <source>Windowsの製品ID</source>
        <translation>OS product ID</translation>
    </message>
    <message>
        <source>Windowsの製品名</source>
        <translation>OS product name</translation>
    </message>
    <message>
        <source>Windowsの登録団体名</source>
        <translation>Registered organisation</translation>
    </message>
    <message>
        <source>Windowsの登録ﾕｰｻﾞｰ名</source>
        <translation>Registered owner</translation>
    </message>
    <message>
        <source>ｸﾗｽで使用される単位</source>
        <translation>Scale unit</translation>
    </message>
    <message>
        <source>ﾊｰﾄﾞｳｪｱのｼﾘｱﾙﾅﾝﾊﾞｰ</source>
        <translation>Hardware serial number</translation>
    </message>
    <message>
        <source>PCのｻﾌﾞﾓﾃﾞﾙ</source>
        <translation>PC submodel</translation>
    </message>
    <message>
        <source>ﾕｰｻﾞｰ名</source>
        <translation>User name</translation>
    </message>
    <message>
        <source>ﾜｰｸｴﾘｱの高さ</source>
        <translation>Work area height</translation>
    </message>
    <message>
        <source>ﾜｰｸｴﾘｱのx座標</source>
        <translation>Work area x</translation>
    </message>
    <message>
        <source>ﾜｰｸｴﾘｱのy座標</source>
        <translation>Work area y</translation>
    </message>
    <message>
        <source>ﾜｰｸｴﾘｱの幅</source>
        <translation>Work area width</translation>
    </message>
    <message>
        <source>ﾎﾞﾘｭｰﾑﾗﾍﾞﾙ</source>
        <translation>Volume label</translation>
    </message>
    <message>
        <source>全容量の取得</source>
        <translation>Total size</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙｼｽﾃﾑがACLsをｻﾎﾟｰﾄ</source>
        <translation>File system supports ACLs</translation>
    </message>
    <message>
        <source>全容量(ﾊﾞｲﾄ数)</source>
        <translation>Total size (bytes)</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ名をﾌｧｲﾙｼｽﾃﾑに記録</source>
        <translation>File names stored as given</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ名の大・小文字を区別</source>
        <translation>File names are case-sensitive</translation>
    </message>
    <message>
        <source>1ｸﾗｽﾀあたりのｾｸﾀ数</source>
        <translation>Sectors per cluster</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ単位の圧縮をｻﾎﾟｰﾄ</source>
        <translation>Supports compressing files</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙｼｽﾃﾑ</source>
        <translation>File system</translation>
    </message>
    <message>
        <source>空き容量</source>
        <translation>Free space</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ名の最大長</source>
        <translation>Longest file name</translation>
    </message>
    <message>
        <source>ﾒﾃﾞｨｱが有効</source>
        <translation>Media present</translation>
    </message>
    <message>
        <source>ﾒﾃﾞｨｱのﾀｲﾌﾟ</source>
        <translation>Media type</translation>
    </message>
    <message>
        <source>1ｾｸﾀあたりのﾊﾟｲﾄ数</source>
        <translation>Bytes per sector</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ名をUnicodeで格納</source>
        <translation>File names stored in Unicode</translation>
    </message>
    <message>
        <source>ﾎﾞﾘｭｰﾑ全体を圧縮</source>
        <translation>Volume is compressed</translation>
    </message>
    <message>
        <source>ｼﾘｱﾙﾅﾝﾊﾞｰ</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>全ﾍﾟｰｼﾞﾝｸﾞﾌｧｲﾙのﾊﾞｲﾄ数</source>
        <translation>Total swap (bytes)</translation>
    </message>
    <message>
        <source>全ﾒﾓﾘｰのﾊﾞｲﾄ数</source>
        <translation>Total memory (bytes)</translation>
    </message>
    <message>
        <source>使用可能な仮想ﾒﾓﾘのﾊﾞｲﾄ数</source>
        <translation>Total virtual memory (bytes)</translation>
    </message>
    <message>
        <source>空きﾍﾟｰｼﾞﾝｸﾞﾌｧｲﾙのﾊﾞｲﾄ数</source>
        <translation>Free swap (bytes)</translation>
    </message>
    <message>
        <source>空きﾒﾓﾘｰのﾊﾞｲﾄ数</source>
        <translation>Free memory (bytes)</translation>
    </message>
    <message>
        <source>予約されていない仮想ﾒﾓﾘのﾊﾞｲﾄ数</source>
        <translation>Free virtual memory (bytes)</translation>
    </message>
    <message>
        <source>使用中のﾒﾓﾘｰの比率(100分率)</source>
        <translation>Memory in use (percent)</translation>
    </message>
    <message>
        <source>Windowsﾌｫﾙﾀﾞ</source>
        <translation>System root folder</translation>
    </message>
    <message>
        <source>ｼｽﾃﾑﾌｫﾙﾀﾞ</source>
        <translation>System folder</translation>
    </message>
    <message>
        <source>ﾃﾝﾎﾟﾗﾘﾌｫﾙﾀﾞ</source>
        <translation>Temporary folder</translation>
    </message>
    <message>
        <source>ｽﾀｰﾄｱｯﾌﾟﾌｫﾙﾀﾞ</source>
        <translation>Autostart folder</translation>
    </message>
    <message>
        <source>Program Filesﾌｫﾙﾀﾞ</source>
        <translation>Programs folder</translation>
    </message>
    <message>
        <source>[ｽﾀｰﾄ]ﾒﾆｭｰ</source>
        <translation>Application menu</translation>
    </message>
    <message>
        <source>[送る]ﾌｫﾙﾀﾞ</source>
        <translation>“Send to” folder</translation>
    </message>
    <message>
        <source>[ｽﾀｰﾄ]ﾒﾆｭｰの[ﾌﾟﾛｸﾞﾗﾑ]</source>
        <translation>Application menu entries</translation>
    </message>
    <message>
        <source>[最近使ったﾌｧｲﾙ]ﾌｫﾙﾀﾞ</source>
        <translation>Recent files folder</translation>
    </message>
    <message>
        <source>ﾊﾟｰｿﾅﾙﾌｫﾙﾀﾞ</source>
        <translation>Documents folder</translation>
    </message>
    <message>
        <source>ﾒﾃﾞｨｱﾌｫﾙﾀﾞ</source>
        <translation>Media folder</translation>
    </message>
    <message>
        <source>ﾌｫﾝﾄﾌｫﾙﾀﾞ</source>
        <translation>Fonts folder</translation>
    </message>
    <message>
        <source>ﾌﾞｯｸﾏｰｸﾌｫﾙﾀﾞ</source>
        <translation>Bookmarks folder</translation>
    </message>
    <message>
        <source>ﾃﾞﾊﾞｲｽﾌｫﾙﾀﾞ</source>
        <translation>Devices folder</translation>
    </message>
    <message>
        <source>ﾃﾞｽｸﾄｯﾌﾟﾌｫﾙﾀﾞ</source>
        <translation>Desktop folder</translation>
    </message>
    <message>
        <source>ｺﾝﾌｨｸﾞﾌｫﾙﾀﾞ</source>
        <translation>Configuration folder</translation>
    </message>
    <message>
        <source>ｺﾓﾝﾌｧｲﾙﾌｫﾙﾀﾞ</source>
        <translation>Shared files folder</translation>
    </message>
    <message>
        <source>旧ﾊﾞｰｼﾞｮﾝのWindowsﾌｫﾙﾀﾞ</source>
        <translation>Previous system folder</translation>
    </message>
    <message>
        <source>Qt開発ﾂｰﾙのﾌｫﾙﾀﾞ</source>
        <translation>Qt tools folder</translation>
    </message>
</context>
<context>
    <name>frm_pelwickUDP</name>
    <message>
        <source>送 信 先</source>
        <translation>Send to</translation>
    </message>
    <message>
        <source>送     信     </source>
        <translation>Send</translation>
    </message>
    <message>
        <source>消去</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>送受信履歴</source>
        <translation>Message log</translation>
    </message>
    <message>
        <source>送信先</source>
        <translation>Send to</translation>
    </message>
    <message>
        <source>送信メッセージ</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>送信</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>状態</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>既に起動されています。</source>
        <translation>Already running.</translation>
    </message>
    <message>
        <source>ﾀｽｸﾊﾞｰか通知領域の「ペルウィック」から表示できます。</source>
        <translation>Open it from “Pelwick” in the task bar or the notification area.</translation>
    </message>
    <message>
        <source>使用者氏名に使えない文字が含まれています</source>
        <translation>Your name holds characters that cannot be used</translation>
    </message>
    <message>
        <source>ペルウィック Ver.%1.%2.%3</source>
        <translation>Pelwick Ver.%1.%2.%3</translation>
    </message>
    <message>
        <source>設定ﾌｧｲﾙのﾎﾟｰﾄ番号が正しくないため %1 を使います。</source>
        <translation>The port number in the settings file is not valid; using %1.</translation>
    </message>
    <message>
        <source>設定ﾌｧｲﾙのIPｱﾄﾞﾚｽが正しくないため自動で選びます。</source>
        <translation>The IP address in the settings file is not valid; choosing one automatically.</translation>
    </message>
    <message>
        <source>設定ﾌｧｲﾙを読めなかったため、別名で保存して初期値で起動しました。</source>
        <translation>The settings file could not be read; it was kept under another name and the defaults are used.</translation>
    </message>
    <message>
        <source>設定ﾌｧｲﾙの使用者一覧に欠けがあったため、読めた分を使い、元のﾌｧｲﾙは別名で残しました。</source>
        <translation>The user list in the settings file was incomplete; the readable part is used and the original file was kept under another name.</translation>
    </message>
    <message>
        <source>送信メッセージを入力して下さい。</source>
        <translation>Type a message.</translation>
    </message>
    <message>
        <source>送信先の相手を選択して下さい。</source>
        <translation>Choose who to send to.</translation>
    </message>
    <message>
        <source>送信できない文字が含まれています: </source>
        <translation>Could not send: the text holds characters the network format cannot carry: </translation>
    </message>
    <message>
        <source>開けませんでした: </source>
        <translation>Could not open: </translation>
    </message>
    <message>
        <source>は存在しません。</source>
        <translation> does not exist.</translation>
    </message>
    <message>
        <source>削除してもよろしいですか</source>
        <translation>Delete it?</translation>
    </message>
    <message>
        <source>相手に自分の情報を消去する様に要求しました</source>
        <translation>Asked the other PC to remove your entry</translation>
    </message>
</context>
</TS>
